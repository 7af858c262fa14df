#include "service/protected_storage.h"

namespace kp {

namespace {

constexpr const char* kAutoCompleteData =
    "\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db\\e161255a-37c3-11d2-bcaa-00c04fd929db";
constexpr const char* kMsnSearchType = "f09b5ab7-7aae-4c90-a638-5f11a923bc76";

std::vector<std::string> subkeys(win::Registry& registry, win::RegRoot root, const std::string& path)
{
    std::vector<std::string> names;
    win::RegKey key;
    if (registry.openKey(root, path, false, key) != win::err::SUCCESS)
        return names;
    std::string name;
    for (win::DWORD i = 0; registry.enumKey(key, i, name) == win::err::SUCCESS; ++i)
        names.push_back(name);
    return names;
}

} // namespace

long long deleteAutoCompleteForms(win::Registry& registry, const std::vector<StorageHive>& hives)
{
    long long count = 0;
    for (const StorageHive& hive : hives) {
        const std::string storage = hive.prefix + kProtectedStorageKey;
        for (const std::string& identity : subkeys(registry, hive.root, storage)) {
            const std::string items = storage + "\\" + identity + kAutoCompleteData;
            win::RegKey key;
            if (registry.openKey(hive.root, items, true, key) != win::err::SUCCESS)
                continue;
            for (const std::string& item : subkeys(registry, hive.root, items)) {
                if (item.find('/') != std::string::npos)
                    continue;
                if (registry.deleteTree(key, item) != win::err::SUCCESS)
                    return -1;
                ++count;
            }
        }
    }
    return count;
}

long long deleteMsnSearchHistory(win::Registry& registry, const std::vector<StorageHive>& hives)
{
    long long count = 0;
    for (const StorageHive& hive : hives) {
        const std::string storage = hive.prefix + kProtectedStorageKey;
        for (const std::string& identity : subkeys(registry, hive.root, storage)) {
            const std::string data = storage + "\\" + identity + "\\Data";
            win::RegKey key, block;
            if (registry.openKey(hive.root, data + "\\" + kMsnSearchType, false, block) != win::err::SUCCESS
                || registry.openKey(hive.root, data, true, key) != win::err::SUCCESS)
                continue;
            if (registry.deleteTree(key, kMsnSearchType) != win::err::SUCCESS)
                return -1;
            ++count;
        }
    }
    return count;
}

std::string autoCompleteFormsReply(long long deletions)
{
    if (deletions < 0)
        return "*** Error purging AutoComplete entries";
    const long long entries = (deletions + 1) / 2;
    if (entries == 1)
        return "  1 Entry deleted";
    return "  " + std::to_string(entries) + " Entries deleted";
}

std::string msnSearchHistoryReply(long long deletions)
{
    if (deletions < 0)
        return "*** Error purging AutoComplete entries";
    if (deletions == 0)
        return " ";
    if (deletions == 1)
        return "  1 Block of MSN Search History deleted";
    return "  " + std::to_string(deletions) + " Blocks of MSN Search History deleted";
}

} // namespace kp
