#include "purge/report_text.h"

#include "core/error_level.h"

#include <cstdio>

namespace kp {

std::string NumericErrorText(win::DWORD code)
{
    return " -Error-" + std::to_string(code) + "          ";
}

std::string NumericErrorField(win::DWORD code)
{
    return NumericErrorText(code).substr(0, 17);
}

bool isLockCode(win::DWORD code)
{
    return code == win::err::ACCESS_DENIED || code == win::err::SHARING_VIOLATION
        || code == win::err::LOCK_VIOLATION || code == win::err::USER_MAPPED_FILE;
}

RemovalFailure entryRemovalFailure(win::DWORD code)
{
    if (code == win::err::FILE_NOT_FOUND)
        return {result::ErrorInUrl, 7};
    if (isLockCode(code))
        return {result::Locked, 1};
    return {NumericErrorField(code), 3};
}

std::string FolderErrorText(win::DWORD code, ErrorState& errors)
{
    switch (code) {
    case win::err::SUCCESS: return result::Deleted;
    case win::err::FILE_NOT_FOUND: errors.RaiseErrorLevel(3); return result::FileNotFound;
    case win::err::PATH_NOT_FOUND: errors.RaiseErrorLevel(3); return result::PathNotFound;
    case win::err::DIR_NOT_EMPTY: return result::DirNotEmpty;
    default:
        if (isLockCode(code))
            return result::Locked;
        errors.RaiseErrorLevel(3);
        return NumericErrorField(code);
    }
}

std::string ItemErrorText(win::DWORD code, ErrorState& errors)
{
    switch (code) {
    case win::err::SUCCESS: return result::Deleted;
    case win::err::FILE_NOT_FOUND: errors.RaiseErrorLevel(7); return result::FileNotFound;
    case win::err::PATH_NOT_FOUND: errors.RaiseErrorLevel(7); return result::PathNotFound;
    case win::err::DIR_NOT_EMPTY: errors.RaiseErrorLevel(1); return result::DirNotEmpty;
    default:
        if (isLockCode(code)) {
            errors.RaiseErrorLevel(1);
            return result::Locked;
        }
        errors.RaiseErrorLevel(3);
        return NumericErrorField(code);
    }
}

std::string AgeText(int days, int hours, int minutes)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%03d-%02d:%02d", days, hours, minutes);
    std::string text = buffer;
    if (text[0] == '0')
        text[0] = ' ';
    return text;
}

} // namespace kp
