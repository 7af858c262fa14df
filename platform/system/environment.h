#pragma once
// The process environment a Windows program of the machine sees, built as
// Wine builds it at process start:
//   1. the host's variables, except those Wine keeps to itself (PATH, PWD,
//      HOME, TEMP, TMP, QT_*, VK_*), so that a host-only variable such as
//      klenzordat reaches the program;
//   2. SystemRoot and SystemDrive from the Windows folder;
//   3. HKLM\System\CurrentControlSet\Control\Session Manager\Environment;
//   4. the profile variables: ALLUSERSPROFILE (and ProgramData, PUBLIC),
//      COMPUTERNAME, USERNAME, USERPROFILE, HOMEDRIVE, HOMEPATH, the
//      ProgramFiles family;
//   5. HKCU\Environment (a PATH there is appended to the system PATH);
//   6. HKCU\Volatile Environment;
//   7. APPDATA and LOCALAPPDATA from the user's shell folders when still
//      undefined, and windir from SystemRoot.
// In each key the REG_SZ values are set first, then the REG_EXPAND_SZ values
// expanded in order against what is set so far. Later steps replace earlier
// ones. Variables set through set()/remove() are process-local: they never
// reach the registry and survive refresh().

#include "platform/win32.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kp::win {

class Machine;
enum class RegRoot;

class Environment {
public:
    explicit Environment(Machine& machine);

    // GetEnvironmentVariable: names are case-insensitive. ENVVAR_NOT_FOUND
    // when the variable is not defined.
    [[nodiscard]] DWORD get(std::string_view name, std::string& value);

    // SetEnvironmentVariable: INVALID_PARAMETER for an empty name or one
    // containing '='. remove() is SetEnvironmentVariable(name, NULL); it
    // succeeds whether or not the variable was defined.
    [[nodiscard]] DWORD set(std::string_view name, std::string_view value);
    [[nodiscard]] DWORD remove(std::string_view name);

    // ExpandEnvironmentStrings: every %NAME% of a defined variable is
    // replaced by its value; an undefined %NAME%, a lone '%' and an empty
    // "%%" are kept as they are.
    std::string expand(std::string_view text);

    // GetTempPath: the first non-empty of TMP, TEMP, USERPROFILE and the
    // Windows folder, as a full path with one trailing backslash.
    // FILENAME_EXCED_RANGE when it is longer than MAX_PATH.
    [[nodiscard]] DWORD tempPath(std::string& path);

    // GetEnvironmentStrings: the variables in the order they were defined.
    std::vector<std::pair<std::string, std::string>> variables();

    // Rebuilds the block from the registry and the host (after the machine's
    // Environment keys changed), then applies the process-local changes.
    void refresh();

private:
    struct Block {
        std::vector<std::pair<std::string, std::string>> vars;
        std::unordered_map<std::string, std::size_t> byUpperName;

        const std::string* find(std::string_view name) const;
        void put(std::string_view name, std::string value);
        void erase(std::string_view name);
    };

    void ensureBuilt();
    void build();
    void addHostVariables();
    void addRegistryKey(RegRoot root, std::string_view subKey, bool appendPath);
    void addProfileVariables();
    void addShellFolderVariables();
    std::string expandWith(std::string_view text) const;
    void recordLocalChange(std::string_view name, std::optional<std::string> value);

    Machine& machine_;
    bool built_ = false;
    Block block_;
    std::vector<std::pair<std::string, std::optional<std::string>>> localChanges_;
};

} // namespace kp::win
