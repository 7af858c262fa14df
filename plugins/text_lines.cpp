#include "plugins/text_lines.h"

#include "platform/files/text_file.h"

namespace kp {

std::vector<std::string> splitTextLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

win::DWORD readTextLines(win::Machine& machine, const std::string& path, std::vector<std::string>& lines)
{
    std::string text;
    if (const win::DWORD error = win::readTextFile(machine, path, text))
        return error;
    lines = splitTextLines(text);
    return win::err::SUCCESS;
}

win::DWORD writeTextLines(win::Machine& machine, const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return win::replaceTextFile(machine, path, text);
}

} // namespace kp
