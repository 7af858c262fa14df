#pragma once
// The fixed texts of report lines: the 17-character result words that open
// item lines, the error texts for system error codes, and the age text.

#include "platform/win32.h"

#include <string>

namespace kp {

struct ErrorState;

namespace result {
inline constexpr const char* Deleted = "       deleted - ";
inline constexpr const char* ToDelete = "     to delete - ";
inline constexpr const char* DeleteFailed = " Delete failed - ";
inline constexpr const char* Protected = "     Protected - ";
inline constexpr const char* ErrorInUrl = "  Error in URL - ";
inline constexpr const char* FileNotFound = "File not Found - ";
inline constexpr const char* PathNotFound = "Path not Found - ";
inline constexpr const char* DirNotEmpty = " Dir Not Empty - ";
inline constexpr const char* Locked = "        Locked - ";
inline constexpr const char* Duplicate = "     Duplicate - ";
} // namespace result

inline constexpr const char* SeparatorLine = " - - - - - - - - - - - - - - - - -";

// " -Error-" + the code + ten blanks.
std::string NumericErrorText(win::DWORD code);
// The same cut to the 17 characters of a result field.
std::string NumericErrorField(win::DWORD code);

// Result words for the recursive folder purges and for single items (recent
// links, history folders, strays); both raise the error level as the code
// deserves.
std::string FolderErrorText(win::DWORD code, ErrorState& errors);
std::string ItemErrorText(win::DWORD code, ErrorState& errors);

// A code that says another program holds the item.
bool isLockCode(win::DWORD code);

// An index entry whose removal failed with `code`: its result word and the
// error level that raises (7 for an entry no longer there, 1 for a locked
// index, else 3).
struct RemovalFailure {
    std::string word;
    int level = 0;
};
RemovalFailure entryRemovalFailure(win::DWORD code);

// "ddd-hh:mm" with a leading zero shown as a blank.
std::string AgeText(int days, int hours, int minutes);

} // namespace kp
