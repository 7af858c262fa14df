#include "core/caught_exception.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

namespace kp {

namespace {

std::string typeName(const std::type_info& type)
{
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : type.name();
}

} // namespace

std::string caughtExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        return type ? "an exception of type " + typeName(*type) : "an exception of unknown type";
    }
}

} // namespace kp
