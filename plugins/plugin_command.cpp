#include "plugins/plugin_command.h"

#include "platform/files/win_path.h"

#include <array>

namespace kp {

namespace {

// Reads the tokens after the keyword: each runs to a stop character, which
// is consumed, or to the end of the line.
class TokenReader {
public:
    explicit TokenReader(std::string_view rest)
        : rest_(rest)
    {
    }

    std::string next(char stop)
    {
        const std::size_t at = rest_.find(stop);
        const std::string_view token = rest_.substr(0, at);
        rest_ = at == std::string_view::npos ? std::string_view() : rest_.substr(at + 1);
        return win::upperAscii(token);
    }

private:
    std::string_view rest_;
};

std::string withoutQuotes(std::string text)
{
    if (!text.empty() && text.front() == '\'')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '\'')
        text.pop_back();
    return text;
}

char matchLetter(const std::string& token)
{
    if (token == "B" || token == "C" || token == "A")
        return token[0];
    return '?';
}

std::size_t driveLength(std::string_view path)
{
    if (path.size() >= 2 && path[1] == ':')
        return 2;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share: up to the backslash after the share.
        const std::size_t serverEnd = path.find('\\', 2);
        if (serverEnd == std::string_view::npos)
            return path.size();
        const std::size_t shareEnd = path.find('\\', serverEnd + 1);
        return shareEnd == std::string_view::npos ? path.size() : shareEnd;
    }
    return 0;
}

void setFileFields(PluginCommand& command, const std::string& path)
{
    PathParts parts = splitPluginPath(path);
    command.FoldDrive = std::move(parts.drive);
    command.FoldFolder = std::move(parts.folder);
    command.FoldFile = std::move(parts.file);
}

} // namespace

PathParts splitPluginPath(std::string_view path)
{
    PathParts parts;
    parts.drive = std::string(path.substr(0, driveLength(path)));
    const std::size_t last = path.find_last_of("\\:");
    if (last == std::string_view::npos) {
        parts.file = std::string(path);
        return parts;
    }
    parts.file = std::string(path.substr(last + 1));
    std::size_t folderEnd = last + 1;
    // The separator goes with the folder only for a root ("C:\", "\").
    if (path[last] == '\\' && last > 0 && path[last - 1] != '\\' && path[last - 1] != ':')
        folderEnd = last;
    parts.folder = std::string(path.substr(0, folderEnd));
    return parts;
}

std::string commandFilePath(const PluginCommand& command)
{
    if (command.FoldVerb == "EXECUTE" && command.FoldFolder.empty())
        return command.FoldFile;
    if (!command.FoldFolder.empty() && command.FoldFolder.back() == '\\')
        return command.FoldFolder + command.FoldFile;
    return command.FoldFolder + "\\" + command.FoldFile;
}

PluginCommand ParsePluginLine(std::string_view line)
{
    PluginCommand command;
    if (line.size() < 10)
        return command;
    const std::string keyword = win::upperAscii(line.substr(0, 8));
    static constexpr std::array<std::string_view, 5> fileVerbs = {"DELFILE=", "EXECUTE=", "DELTEXT=", "DELEXML=",
                                                                  "DELFOLD="};
    static constexpr std::array<std::string_view, 4> regVerbs = {"DEL1VAL=", "DELVALS=", "DEL1KEY=", "DELKEYS="};
    TokenReader tokens(line.substr(8));
    const std::string verb = keyword.substr(0, 7);

    if (keyword == "DELFILE=" || keyword == "EXECUTE=") {
        setFileFields(command, tokens.next('?'));
    } else if (keyword == "DELTEXT=" || keyword == "DELEXML=") {
        setFileFields(command, tokens.next('['));
        command.FoldString = withoutQuotes(tokens.next(']'));
    } else if (keyword == "DELFOLD=") {
        std::string folder = tokens.next('[');
        if (!folder.empty() && folder.back() == '\\')
            folder.pop_back();
        const PathParts parts = splitPluginPath(folder + "\\X.Y");
        command.FoldDrive = parts.drive;
        command.FoldFolder = parts.folder;
        command.FoldFilter = tokens.next(']');
        command.FoldType = tokens.next('?');
    } else if (keyword == "DEL1VAL=") {
        command.RegRoot = tokens.next(':');
        command.RegKey = tokens.next('[');
        command.RegValue = tokens.next(']');
    } else if (keyword == "DELVALS=" || keyword == "DELKEYS=") {
        command.RegRoot = tokens.next(':');
        command.RegKey = tokens.next('[');
        command.RegString = withoutQuotes(tokens.next(']'));
        command.RegType = matchLetter(tokens.next('?'));
    } else if (keyword == "DEL1KEY=") {
        command.RegRoot = tokens.next(':');
        command.RegKey = tokens.next('?');
    } else {
        return command;
    }
    for (std::string_view v : fileVerbs)
        if (keyword == v) {
            command.FoldOrReg = 'F';
            command.FoldVerb = verb;
        }
    for (std::string_view v : regVerbs)
        if (keyword == v) {
            command.FoldOrReg = 'R';
            command.RegVerb = verb;
        }
    return command;
}

} // namespace kp
