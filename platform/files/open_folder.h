#pragma once
// A folder held open and worked on by the names in it, as NT's handles
// relative to a folder are: listing it, deleting in it and opening its
// subfolders look up no path, and a name that is a symbolic link is never
// followed, so a subfolder swapped for a link cannot lead out of the tree.
// Removals are reported to the machine's path cache, as FileSystem's are.

#include "platform/files/share_modes.h"
#include "platform/host/unique_fd.h"
#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

class Machine;

class OpenFolder {
public:
    struct Entry {
        std::string name; // as the host lists it
        bool folder = false; // a folder, or a link that leads to one
        bool link = false; // a symbolic link
    };

    explicit OpenFolder(Machine& machine);

    // Opens the folder a Windows path names; links on the way to it are
    // followed, as in any path. PATH_NOT_FOUND when there is no such folder.
    [[nodiscard]] DWORD open(std::string_view path);
    // Opens the subfolder `name` of `parent`: PATH_NOT_FOUND for anything
    // but a folder, a link to one included.
    [[nodiscard]] DWORD openSubfolder(const OpenFolder& parent, std::string_view name);

    // The entries whose long or short (Wine's 8.3) name `mask` matches, as
    // FindFirstFile reads masks, in the order the host lists them; "." and
    // ".." are left out, as are names removed while listing.
    [[nodiscard]] DWORD list(std::string_view mask, std::vector<Entry>& out);

    // DeleteFile and RemoveDirectory of an entry, with their codes. After a
    // listing, a handle that refuses to share deletion is seen as the host
    // listed such handles when the folder was listed (one read for the
    // folder); before any, each file is asked.
    [[nodiscard]] DWORD deleteFile(std::string_view name);
    [[nodiscard]] DWORD removeDirectory(std::string_view name);
    // Clears a file entry's READONLY attribute; `cleared` tells whether it
    // was set. A link's attribute is its target's and stays.
    [[nodiscard]] DWORD clearReadOnly(std::string_view name, bool& cleared);

private:
    // INVALID_NAME for what cannot be a name in this folder.
    [[nodiscard]] static DWORD checkName(std::string_view name);
    std::string childHost(const std::string& name) const;

    Machine& machine_;
    UniqueFd fd_;
    std::string host_; // where it was opened, for the path cache
    DeletionRefusals refusals_;
    bool refusalsRead_ = false;
};

} // namespace kp::win
