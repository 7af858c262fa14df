// Plugin lines from anywhere: expansion stays within its bounds even when
// every macro's value holds macros again, and parsing yields upper-case
// fields of the kind the keyword names.

#include "platform/files/win_path.h"
#include "plugins/plugin_command.h"
#include "plugins/plugin_expand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Every macro answers with a slice of the input, so values may name macros.
class EchoMacros : public kp::PluginMacros {
public:
    explicit EchoMacros(std::string text)
        : text_(std::move(text))
    {
    }
    std::optional<std::string> computerName() override { return slice(7); }
    std::optional<std::string> userName() override { return slice(11); }
    std::optional<std::string> shellFolder(int csidl) override { return slice(std::size_t(csidl)); }
    std::optional<std::string> registryString(const std::string&, const std::string& key, const std::string&) override
    {
        return slice(key.size());
    }
    std::string expandEnvironment(const std::string& text) override { return text + slice(text.size()); }

private:
    std::string slice(std::size_t from) const
    {
        return from < text_.size() ? text_.substr(from, 600) : std::string("^HKCU:K[V]#USER#%X%");
    }
    std::string text_;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line = kp::win::upperAscii(std::string(reinterpret_cast<const char*>(data), size));
    EchoMacros macros(line);
    const std::string expanded = kp::ExpandPluginLine(line, macros);
    check(expanded.size() <= std::max(line.size(), kp::MaxExpandedLineLength));
    const kp::PluginCommand command = kp::ParsePluginLine(expanded);
    check(command.FoldOrReg == 'T' || command.FoldOrReg == 'F' || command.FoldOrReg == 'R');
    check(command.FoldOrReg != 'F' || command.FoldVerb.size() == 7);
    check(command.FoldOrReg != 'R' || command.RegVerb.size() == 7);
    for (const std::string* field : {&command.FoldFolder, &command.FoldFile, &command.FoldString, &command.RegKey,
                                     &command.RegString})
        check(kp::win::upperAscii(*field) == *field);
    return 0;
}
