#include "core/keywords.h"

#include "platform/files/win_path.h"

namespace kp {

Keywords::Keywords(std::vector<std::string> arguments)
    : arguments_(std::move(arguments))
{
}

Keywords Keywords::fromMain(int argc, char** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return Keywords(std::move(arguments));
}

bool Keywords::IsKeywordPresent(std::string_view keyword) const
{
    const std::string wanted = win::upperAscii(keyword);
    for (const std::string& argument : arguments_) {
        if (win::upperAscii(argument) == wanted)
            return true;
    }
    return false;
}

std::string Keywords::KeywordValue(std::string_view keyword) const
{
    const std::string prefix = win::upperAscii(keyword) + "=";
    for (const std::string& argument : arguments_) {
        std::string upper = win::upperAscii(argument);
        if (upper.compare(0, prefix.size(), prefix) == 0)
            return upper.substr(prefix.size());
    }
    return {};
}

} // namespace kp
