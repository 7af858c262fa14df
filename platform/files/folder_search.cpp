#include "platform/files/folder_search.h"

namespace kp::win {

FolderSearch::FolderSearch(FileSystem& files, std::string_view pattern)
    : files_(files)
{
    const DWORD first = files_.findFirst(pattern, found_, handle_);
    listing_ = first == err::SUCCESS;
    if (!listing_)
        finish(first == err::FILE_NOT_FOUND ? err::SUCCESS : first);
}

void FolderSearch::next()
{
    if (!listing_)
        return;
    if (const DWORD e = files_.findNext(handle_, found_); e != err::SUCCESS)
        finish(e == err::NO_MORE_FILES ? err::SUCCESS : e);
}

void FolderSearch::finish(DWORD code)
{
    listing_ = false;
    error_ = code;
    files_.findClose(handle_);
}

} // namespace kp::win
