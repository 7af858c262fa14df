#pragma once
// The AutoComplete form items and the MSN Explorer search history kept in the
// protected storage, which lies in the registry: one identity per subkey of
// "Software\Microsoft\Protected Storage System Provider". The work of the
// FORM and MSNS requests, and their reply texts.

#include "platform/registry/registry.h"

#include <string>
#include <vector>

namespace kp {

inline constexpr const char* kProtectedStorageKey = "Software\\Microsoft\\Protected Storage System Provider";

// Where the stores are: the user's hive and then the machine's, as root keys
// and the path of the protected-storage key below each.
struct StorageHive {
    win::RegRoot root;
    std::string prefix; // "" or the SID key under HKEY_USERS, with a backslash
};

// Deletes every form item (a name without "/"; password items stay) of every
// identity; returns the count, or -1 when a deletion fails.
long long deleteAutoCompleteForms(win::Registry& registry, const std::vector<StorageHive>& hives);
// Deletes the MSN search-history block of every identity; count or -1.
long long deleteMsnSearchHistory(win::Registry& registry, const std::vector<StorageHive>& hives);

std::string autoCompleteFormsReply(long long deletions);
std::string msnSearchHistoryReply(long long deletions);

} // namespace kp
