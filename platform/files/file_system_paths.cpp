// FileSystem: path forms, the current directory, attributes.

#include "platform/files/file_system.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_attributes.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

namespace kp::win {

namespace {

bool hasInvalidNameCharacters(const std::vector<std::string>& components)
{
    for (const std::string& part : components)
        for (unsigned char c : part)
            if (c < 0x20 || std::string_view("<>:\"|?*").find(char(c)) != std::string_view::npos)
                return true;
    return false;
}

std::string joinWindowsPath(char drive, const std::vector<std::string>& components)
{
    std::string out {drive, ':'};
    for (const std::string& part : components) {
        out += '\\';
        out += part;
    }
    if (components.empty())
        out += '\\';
    return out;
}

} // namespace

FileSystem::FileSystem(Machine& machine)
    : machine_(machine)
    , paths_(machine.paths())
{
}

const std::string& FileSystem::currentDirectory() const
{
    return machine_.currentDirectory();
}

DWORD FileSystem::fullPathName(std::string_view path, std::string& out)
{
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.rfind("\\\\?\\", 0) == 0 || text.rfind("\\\\.\\", 0) == 0)
        text.erase(0, 4);
    if (text.empty())
        return err::INVALID_NAME;
    const std::string& current = machine_.currentDirectory();
    std::string absolute;
    if (text.size() >= 2 && text[1] == ':' && std::isalpha((unsigned char)text[0])) {
        if (text.size() >= 3 && text[2] == '\\')
            absolute = text;
        else if (std::toupper((unsigned char)text[0]) == std::toupper((unsigned char)current[0]))
            absolute = current + "\\" + text.substr(2);
        else
            absolute = text.substr(0, 2) + "\\" + text.substr(2);
    } else if (text[0] == '\\') {
        if (text.size() >= 2 && text[1] == '\\')
            return err::BAD_NETPATH;
        absolute = current.substr(0, 2) + text;
    } else {
        absolute = current + "\\" + text;
    }
    char drive = 0;
    std::vector<std::string> components;
    if (DWORD e = splitWindowsPath(absolute, drive, components))
        return e;
    out = joinWindowsPath(drive, components);
    if (text.back() == '\\' && !components.empty())
        out += '\\';
    return err::SUCCESS;
}

DWORD FileSystem::resolve(std::string_view path, Resolved& out)
{
    std::string full;
    if (DWORD e = fullPathName(path, full))
        return e;
    char drive = 0;
    std::vector<std::string> components;
    if (DWORD e = splitWindowsPath(full, drive, components))
        return e;
    if (hasInvalidNameCharacters(components))
        return err::INVALID_NAME;
    out.winPath = joinWindowsPath(drive, components);
    DWORD e = paths_.toHost(out.winPath, out.host, &out.exists);
    if (e == err::INVALID_DRIVE)
        return err::PATH_NOT_FOUND;
    if (e)
        return e;
    std::size_t slash = out.host.rfind('/');
    out.hostDir = slash == 0 ? "/" : out.host.substr(0, slash);
    out.name = components.empty() ? std::string() : out.host.substr(slash + 1);
    return err::SUCCESS;
}

DWORD FileSystem::resolveExisting(std::string_view path, Resolved& out)
{
    if (DWORD e = resolve(path, out))
        return e;
    return out.exists ? err::SUCCESS : err::FILE_NOT_FOUND;
}

DWORD FileSystem::hostPath(std::string_view path, std::string& out, bool* exists)
{
    Resolved r;
    if (DWORD e = resolve(path, r))
        return e;
    out = r.host;
    if (exists)
        *exists = r.exists;
    return err::SUCCESS;
}

DWORD FileSystem::setCurrentDirectory(std::string_view path)
{
    Resolved r;
    if (DWORD e = resolveExisting(path, r))
        return e;
    struct stat st {};
    if (::stat(r.host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return err::DIRECTORY;
    machine_.setCurrentDirectoryUnchecked(r.winPath);
    return err::SUCCESS;
}

DWORD FileSystem::mappedPath(std::string_view path, std::string& out, bool wantShort)
{
    std::string full;
    if (DWORD e = fullPathName(path, full))
        return e;
    char drive = 0;
    std::vector<std::string> components;
    if (DWORD e = splitWindowsPath(full, drive, components))
        return e;
    std::string dir = paths_.driveRoot(drive);
    if (dir.empty())
        return err::PATH_NOT_FOUND;
    std::string result {drive, ':'};
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::string real = paths_.findName(dir, components[i]);
        if (real.empty())
            return i + 1 == components.size() ? err::FILE_NOT_FOUND : err::PATH_NOT_FOUND;
        result += '\\';
        result += wantShort ? paths_.shortNameOf(dir, real) : real;
        dir = (dir == "/" ? "" : dir) + "/" + real;
    }
    if (components.empty() || full.back() == '\\')
        result += '\\';
    out = result;
    return err::SUCCESS;
}

DWORD FileSystem::shortPathName(std::string_view path, std::string& out)
{
    return mappedPath(path, out, true);
}

DWORD FileSystem::longPathName(std::string_view path, std::string& out)
{
    return mappedPath(path, out, false);
}

DWORD FileSystem::searchPath(std::string_view folderList, std::string_view fileName, std::string_view extension,
    std::string& out)
{
    if (fileName.empty())
        return err::INVALID_PARAMETER;
    std::string name(fileName);
    std::size_t lastSeparator = name.find_last_of("\\/:");
    std::string_view lastName = std::string_view(name).substr(lastSeparator == std::string::npos ? 0 : lastSeparator + 1);
    if (lastName.find('.') == std::string_view::npos)
        name += extension;
    auto tryPath = [&](const std::string& candidate) {
        std::string full;
        if (fullPathName(candidate, full) || !exists(full))
            return false;
        out = full;
        return true;
    };
    if (lastSeparator != std::string::npos)
        return tryPath(name) ? err::SUCCESS : err::FILE_NOT_FOUND;
    std::size_t pos = 0;
    while (pos <= folderList.size()) {
        std::size_t end = folderList.find(';', pos);
        if (end == std::string_view::npos)
            end = folderList.size();
        std::string folder(folderList.substr(pos, end - pos));
        folder.erase(0, folder.find_first_not_of(" \""));
        folder.erase(folder.find_last_not_of(" \"") + 1);
        if (!folder.empty() && tryPath(folder + "\\" + name))
            return err::SUCCESS;
        pos = end + 1;
    }
    return err::FILE_NOT_FOUND;
}

DWORD FileSystem::getFileInfo(std::string_view path, FindData& data)
{
    Resolved r;
    if (DWORD e = resolveExisting(path, r))
        return e;
    HostFileInfo info;
    if (DWORD e = readHostFileInfo(r.host, info))
        return e;
    data.attributes = info.attributes;
    data.creationTime = info.creationTime;
    data.lastAccessTime = info.lastAccessTime;
    data.lastWriteTime = info.lastWriteTime;
    data.size = info.size;
    data.fileName = r.name;
    std::string shortName = r.name.empty() ? std::string() : paths_.shortNameOf(r.hostDir, r.name);
    data.alternateFileName = shortName == r.name ? std::string() : shortName;
    return err::SUCCESS;
}

DWORD FileSystem::getAttributes(std::string_view path, DWORD& attributes)
{
    FindData data;
    DWORD e = getFileInfo(path, data);
    attributes = e ? attr::INVALID : data.attributes;
    return e;
}

bool FileSystem::exists(std::string_view path)
{
    DWORD attributes = 0;
    return getAttributes(path, attributes) == err::SUCCESS;
}

DWORD FileSystem::setAttributes(std::string_view path, DWORD attributes)
{
    Resolved r;
    if (DWORD e = resolveExisting(path, r))
        return e;
    return writeHostAttributes(r.host, attributes);
}

} // namespace kp::win
