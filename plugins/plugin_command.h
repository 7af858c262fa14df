#pragma once
// The plugin command language: one line of a plugin file parsed into a
// PluginCommand. Nine keywords of eight characters ("DELFILE=" ...) open a
// command line; every other line is text (a title, a comment, a blank).

#include <string>
#include <string_view>

namespace kp {

struct PluginCommand {
    char FoldOrReg = 'T'; // 'F' file or folder command, 'R' registry command, 'T' text line
    std::string FoldVerb;
    std::string FoldDrive;
    std::string FoldFolder;
    std::string FoldFile;
    std::string FoldString;
    std::string FoldFilter;
    std::string FoldType;
    std::string RegVerb;
    std::string RegRoot;
    std::string RegKey;
    std::string RegValue;
    std::string RegString;
    char RegType = ' '; // 'B', 'C', 'A', '?'; blank when not set

    bool operator==(const PluginCommand&) const = default;
};

// Parses an expanded line. Every field comes out upper-cased.
PluginCommand ParsePluginLine(std::string_view line);

// The parts of a Windows path: the drive ("C:" or "\\SERVER\SHARE"), the
// folder (before the last backslash or colon; a drive root keeps its
// backslash) and the file (after it).
struct PathParts {
    std::string drive;
    std::string folder;
    std::string file;
};
PathParts splitPluginPath(std::string_view path);

// The path a file command names: folder + "\" + file; for EXECUTE only the
// file when there is no folder.
std::string commandFilePath(const PluginCommand& command);

} // namespace kp
