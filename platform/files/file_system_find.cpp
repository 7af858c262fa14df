// FileSystem: FindFirstFile / FindNextFile.

#include "platform/files/file_system.h"

#include "platform/files/dos_paths.h"
#include "platform/files/dos_wildcard.h"
#include "platform/files/file_attributes.h"

#include <sys/stat.h>

namespace kp::win {

struct FindHandle::State {
    struct Entry {
        std::string longName;
        std::string shortName;
    };
    std::string hostDir;
    std::vector<Entry> entries;
    std::size_t next = 0;
};

FindHandle::FindHandle() = default;
FindHandle::~FindHandle() = default;
FindHandle::FindHandle(FindHandle&&) noexcept = default;
FindHandle& FindHandle::operator=(FindHandle&&) noexcept = default;

bool FindHandle::isOpen() const
{
    return static_cast<bool>(state_);
}

namespace {

// Fills `data` from the next entry that still exists.
DWORD nextEntry(FindHandle::State& state, FindData& data)
{
    while (state.next < state.entries.size()) {
        const auto& entry = state.entries[state.next++];
        std::string host = entry.longName == "." ? state.hostDir : state.hostDir + "/" + entry.longName;
        HostFileInfo info;
        if (readHostFileInfo(host, info))
            continue;
        data.attributes = info.attributes;
        data.creationTime = info.creationTime;
        data.lastAccessTime = info.lastAccessTime;
        data.lastWriteTime = info.lastWriteTime;
        data.size = info.size;
        data.fileName = entry.longName;
        data.alternateFileName = entry.shortName == entry.longName ? std::string() : entry.shortName;
        return err::SUCCESS;
    }
    return err::NO_MORE_FILES;
}

} // namespace

DWORD FileSystem::findFirst(std::string_view pattern, FindData& data, FindHandle& handle)
{
    handle.state_.reset();
    std::size_t separator = pattern.find_last_of("\\/");
    std::string folder;
    std::string_view mask;
    if (separator != std::string_view::npos) {
        folder = std::string(pattern.substr(0, separator + 1));
        mask = pattern.substr(separator + 1);
    } else if (pattern.size() >= 2 && pattern[1] == ':') {
        folder = std::string(pattern.substr(0, 2));
        mask = pattern.substr(2);
    } else {
        folder = ".";
        mask = pattern;
    }
    if (mask.empty())
        return err::FILE_NOT_FOUND;

    Resolved r;
    if (DWORD e = resolve(folder, r))
        return e;
    struct stat st {};
    if (!r.exists || ::stat(r.host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return err::PATH_NOT_FOUND;

    auto state = std::make_unique<FindHandle::State>();
    state->hostDir = r.host;
    bool root = r.winPath.size() == 3;
    if (!root) {
        for (const char* special : {".", ".."})
            if (matchesDosMask(special, mask))
                state->entries.push_back({special, special});
    }
    for (const DosPaths::Name& n : paths_.listing(r.host)) {
        bool longMatches = matchesDosMask(n.longName, mask);
        if (longMatches || (n.shortName != n.longName && matchesDosMask(n.shortName, mask)))
            state->entries.push_back({n.longName, n.shortName});
    }
    if (nextEntry(*state, data) != err::SUCCESS)
        return err::FILE_NOT_FOUND;
    handle.state_ = std::move(state);
    return err::SUCCESS;
}

DWORD FileSystem::findNext(FindHandle& handle, FindData& data)
{
    if (!handle.state_)
        return err::INVALID_HANDLE;
    return nextEntry(*handle.state_, data);
}

void FileSystem::findClose(FindHandle& handle)
{
    handle.state_.reset();
}

} // namespace kp::win
