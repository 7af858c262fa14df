#include "platform/system/recycle_bin.h"

#include "platform/files/dos_paths.h"
#include "platform/files/win_path.h"
#include "platform/host/win_error.h"
#include "platform/machine.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <sys/vfs.h>

namespace kp::win {

namespace fs = std::filesystem;

namespace {

// statfs magic numbers of the file systems Windows writes.
constexpr long kWindowsFileSystems[] = {
    0x4d44,     // vfat, msdos
    0x5346544e, // ntfs3, ntfs
    0x2011BAB0, // exfat
    0x65735546, // fuseblk (ntfs-3g)
};

bool isRecycleFolderName(const std::string& name)
{
    return equalNoCase(name, "recycler") || equalNoCase(name, "recycled") || equalNoCase(name, "$recycle.bin");
}

bool isDesktopIni(const fs::path& path)
{
    return equalNoCase(path.filename().string(), "desktop.ini");
}

bool onWindowsFileSystem(const std::string& path)
{
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0)
        return false;
    return std::find(std::begin(kWindowsFileSystems), std::end(kWindowsFileSystems), long(info.f_type))
        != std::end(kWindowsFileSystems);
}

bool below(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

void note(DWORD& first, std::error_code error)
{
    if (error && first == err::SUCCESS)
        first = errorFromErrno(error.value());
}

// Removes a name and, for a real folder, all below it; a link goes as a link.
void removeItem(const fs::path& path, long long& removed, DWORD& first)
{
    std::error_code error;
    if (fs::remove_all(path, error) != static_cast<std::uintmax_t>(-1) && !error)
        ++removed;
    note(first, error);
}

// Empties one recycle folder; the per-user folders in it and their
// desktop.ini stay, as Windows keeps them.
void emptyRecycleFolder(const fs::path& folder, long long& removed, DWORD& first)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (isDesktopIni(entry.path()))
            continue;
        std::error_code kind;
        if (entry.is_directory(kind) && !entry.is_symlink(kind)) {
            std::error_code inner;
            for (const fs::directory_entry& item : fs::directory_iterator(entry.path(), inner))
                if (!isDesktopIni(item.path()))
                    removeItem(item.path(), removed, first);
            note(first, inner);
        } else {
            removeItem(entry.path(), removed, first);
        }
    }
    note(first, error);
}

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1]))
            && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The original path a .trashinfo names, "" when it has none.
std::string trashedFrom(const fs::path& info)
{
    std::ifstream in(info);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Path=", 0) == 0)
            return percentDecoded(line.substr(5));
    }
    return {};
}

// Lexically normal, with links of the folders above resolved where they exist.
std::string canonicalFolder(const std::string& path)
{
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? fs::path(path).lexically_normal().string() : resolved.string();
}

void emptyTrashItems(const std::vector<std::string>& drives, long long& removed, DWORD& first)
{
    const fs::path trash = userTrashFolder();
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(trash / "info", error)) {
        const fs::path info = entry.path();
        if (info.extension() != ".trashinfo")
            continue;
        const std::string original = trashedFrom(info);
        if (original.empty() || original[0] != '/')
            continue;
        const std::string parent = canonicalFolder(fs::path(original).parent_path().string());
        const std::string from = parent + "/" + fs::path(original).filename().string();
        const bool ours = std::any_of(drives.begin(), drives.end(), [&](const std::string& d) { return below(from, d); });
        if (!ours)
            continue;
        const fs::path item = trash / "files" / info.stem();
        std::error_code gone;
        if (fs::symlink_status(item, gone).type() != fs::file_type::not_found)
            removeItem(item, removed, first);
        std::error_code infoError;
        fs::remove(info, infoError);
        note(first, infoError);
    }
}

} // namespace

std::vector<std::string> recycleBinDrives(Machine& machine)
{
    std::vector<std::string> drives;
    const std::string prefix = canonicalFolder(machine.prefixDir());
    for (char letter : machine.paths().driveLetters()) {
        const std::string root = machine.paths().driveRoot(letter);
        if (root.empty())
            continue;
        std::error_code error;
        const std::string real = fs::canonical(root, error).string();
        if (error || real == "/" || !fs::is_directory(real, error))
            continue;
        if ((below(real, prefix) || onWindowsFileSystem(real))
            && std::find(drives.begin(), drives.end(), real) == drives.end())
            drives.push_back(real);
    }
    return drives;
}

std::string userTrashFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/')
        return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Trash";
}

DWORD emptyRecycleBin(Machine& machine, long long& removed)
{
    removed = 0;
    DWORD first = err::SUCCESS;
    const std::vector<std::string> drives = recycleBinDrives(machine);
    for (const std::string& root : drives) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
            std::error_code kind;
            if (isRecycleFolderName(entry.path().filename().string()) && entry.is_directory(kind)
                && !entry.is_symlink(kind))
                emptyRecycleFolder(entry.path(), removed, first);
        }
        note(first, error);
    }
    emptyTrashItems(drives, removed, first);
    return first;
}

} // namespace kp::win
