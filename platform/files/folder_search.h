#pragma once
// The entries that FindFirstFile / FindNextFile list for a pattern, as a
// range that closes its search when it goes:
//
//     FolderSearch search(files, "C:\\Temp\\*.*");
//     for (const FindData& found : search)
//         ...
//     if (DWORD e = search.error())
//         ... // the walk failed (a missing folder, a call failing on the way)
//
// "." and ".." come as FindFirstFile lists them. A pattern that matches
// nothing gives no entries and no error.

#include "platform/files/file_system.h"

#include <cstddef>
#include <iterator>
#include <string_view>

namespace kp::win {

class FolderSearch {
public:
    FolderSearch(FileSystem& files, std::string_view pattern);
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

    class Iterator {
    public:
        using value_type = FindData;
        using difference_type = std::ptrdiff_t;

        const FindData& operator*() const { return search_->found_; }
        const FindData* operator->() const { return &search_->found_; }
        Iterator& operator++()
        {
            search_->next();
            return *this;
        }
        void operator++(int) { search_->next(); }
        bool operator==(std::default_sentinel_t) const { return !search_->listing_; }

    private:
        friend class FolderSearch;
        explicit Iterator(FolderSearch& search)
            : search_(&search)
        {
        }
        FolderSearch* search_;
    };

    // One pass: the entries are listed as the walk goes.
    Iterator begin() { return Iterator(*this); }
    std::default_sentinel_t end() const { return {}; }

    // SUCCESS when every match was listed (or there was none), else the code
    // that ended the walk: PATH_NOT_FOUND for a missing folder, say.
    [[nodiscard]] DWORD error() const { return error_; }

private:
    void next();
    void finish(DWORD code);

    FileSystem& files_;
    FindHandle handle_;
    FindData found_;
    bool listing_ = false;
    DWORD error_ = err::SUCCESS;
};

} // namespace kp::win
