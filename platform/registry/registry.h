#pragma once
// The Windows registry over a Wine prefix's hive files (system.reg = HKLM,
// user.reg = HKCU and HKU\<user SID>, userdef.reg = HKU\.Default; HKCR and
// HKCC are views into HKLM). Calls are shaped like advapi32's ANSI calls and
// return Win32 error codes.
//
// Value data is kept as the ANSI calls return it: REG_SZ and REG_EXPAND_SZ as
// the text's bytes (UTF-8) followed by one NUL, REG_MULTI_SZ as NUL-ended
// strings followed by one more NUL, REG_DWORD as 4 little-endian bytes, other
// types as their raw bytes.

#include "platform/win32.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kp::win {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

namespace regtype {
inline constexpr DWORD NONE = 0;
inline constexpr DWORD SZ = 1;
inline constexpr DWORD EXPAND_SZ = 2;
inline constexpr DWORD BINARY = 3;
inline constexpr DWORD DWORD_LE = 4;
inline constexpr DWORD DWORD_BE = 5;
inline constexpr DWORD LINK = 6;
inline constexpr DWORD MULTI_SZ = 7;
inline constexpr DWORD QWORD_LE = 11;
} // namespace regtype

struct RegValue {
    DWORD type = regtype::NONE;
    std::vector<std::uint8_t> data;
};

class RegistryStore;

// An open key. Default-constructed handles are closed; a handle stays valid
// while its Registry lives (a key deleted meanwhile answers KEY_DELETED).
class RegKey {
public:
    RegKey() = default;
    bool isOpen() const { return static_cast<bool>(node_); }
    bool writable() const { return writable_; }

private:
    friend class Registry;
    std::shared_ptr<void> node_;
    bool writable_ = false;
};

class Registry {
public:
    explicit Registry(std::string prefixDir);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // RegOpenKeyEx: FILE_NOT_FOUND when the key does not exist. `subKey` uses
    // backslashes; a leading backslash and letter case do not matter.
    [[nodiscard]] DWORD openKey(RegRoot root, std::string_view subKey, bool write, RegKey& out);
    [[nodiscard]] DWORD openKey(const RegKey& parent, std::string_view subKey, bool write, RegKey& out);
    // RegCreateKeyEx: opens for writing, creating missing keys; `created`
    // tells whether the last key was new.
    [[nodiscard]] DWORD createKey(RegRoot root, std::string_view subKey, RegKey& out, bool* created = nullptr);
    [[nodiscard]] DWORD createKey(const RegKey& parent, std::string_view subKey, RegKey& out, bool* created = nullptr);

    // RegEnumKeyEx / RegEnumValue in stored order: NO_MORE_ITEMS past the end.
    [[nodiscard]] DWORD enumKey(const RegKey& key, DWORD index, std::string& name);
    [[nodiscard]] DWORD enumValue(const RegKey& key, DWORD index, std::string& name, RegValue& value);
    // RegQueryInfoKey: the counts of subkeys and values.
    [[nodiscard]] DWORD queryInfo(const RegKey& key, DWORD& subKeyCount, DWORD& valueCount);

    // RegQueryValueEx: FILE_NOT_FOUND when missing; "" is the default value.
    [[nodiscard]] DWORD queryValue(const RegKey& key, std::string_view name, RegValue& out);
    // RegSetValueEx: ACCESS_DENIED on a key opened read-only.
    [[nodiscard]] DWORD setValue(const RegKey& key, std::string_view name, const RegValue& value);
    [[nodiscard]] DWORD deleteValue(const RegKey& key, std::string_view name);
    // RegDeleteKey: ACCESS_DENIED when the key still has subkeys.
    [[nodiscard]] DWORD deleteKey(const RegKey& parent, std::string_view subKey);
    // SHDeleteKey / RegDeleteTree: the key and everything below it.
    [[nodiscard]] DWORD deleteTree(const RegKey& parent, std::string_view subKey);

    // Typed conveniences over queryValue / setValue; queryString takes SZ or
    // EXPAND_SZ, unexpanded.
    [[nodiscard]] DWORD queryString(const RegKey& key, std::string_view name, std::string& out);
    [[nodiscard]] DWORD queryDword(const RegKey& key, std::string_view name, DWORD& out);
    [[nodiscard]] DWORD setString(const RegKey& key, std::string_view name, std::string_view text,
                                  DWORD type = regtype::SZ);
    [[nodiscard]] DWORD setDword(const RegKey& key, std::string_view name, DWORD value);

    // Each writing call saves its hive before it returns (atomically, under
    // the hive's advisory lock), unless a batch is open: then changed hives
    // are saved when the outermost batch ends. Both report the save's error.
    void beginBatch();
    [[nodiscard]] DWORD endBatch();
    [[nodiscard]] DWORD flush();

    // The user's SID as the prefix's user.reg names it ("S-1-5-21-0-0-0-1000").
    std::string userSid();

private:
    std::unique_ptr<RegistryStore> store_;
};

// Value data helpers.
RegValue regString(std::string_view text, DWORD type = regtype::SZ);
RegValue regDword(DWORD value);
RegValue regMultiString(const std::vector<std::string>& items);
std::string regValueText(const RegValue& value); // SZ / EXPAND_SZ data without its NUL
std::vector<std::string> regValueStrings(const RegValue& value); // MULTI_SZ items

} // namespace kp::win
