#include "settings/settings_file.h"

#include "platform/files/file_system.h"
#include "settings/folder_set.h"

#include <charconv>
#include <climits>

namespace kp {

namespace {
constexpr std::size_t kTextLimit = 1023;
// A default no stored value can equal: the key is missing.
constexpr std::string_view kMissing = "\x01missing\x01";
} // namespace

SettingsFile::SettingsFile(win::Machine& machine, const FolderSet& folders)
    : machine_(machine)
    , profile_(machine)
    , path_(folders.settingsPath())
    , readOnly_(folders.dataFolderReadOnly || folders.dataFolder.empty())
{
}

std::optional<int> SettingsFile::parseNumber(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return int(value);
}

std::optional<std::string> SettingsFile::raw(std::string_view section, std::string_view key)
{
    std::string value;
    if (profile_.getString(section, key, kMissing, path_, value) != win::err::SUCCESS || value == kMissing)
        return std::nullopt;
    return value;
}

bool SettingsFile::readFlag(std::string_view section, std::string_view key, bool defaultValue)
{
    const std::optional<std::string> value = raw(section, key);
    const std::optional<int> number = value ? parseNumber(*value) : std::nullopt;
    return number ? *number != 0 : defaultValue;
}

int SettingsFile::readInteger(std::string_view section, std::string_view key, int defaultValue)
{
    const std::optional<std::string> value = raw(section, key);
    const std::optional<int> number = value ? parseNumber(*value) : std::nullopt;
    return number ? *number : defaultValue;
}

std::string SettingsFile::readText(std::string_view section, std::string_view key, std::string_view defaultValue)
{
    std::optional<std::string> value = raw(section, key);
    if (!value)
        return std::string(defaultValue);
    if (value->size() > kTextLimit)
        value->resize(kTextLimit);
    return *value;
}

bool SettingsFile::writeText(std::string_view section, std::string_view key, std::string_view value)
{
    if (readOnly_)
        return false;
    return profile_.writeString(section, key, value, path_) == win::err::SUCCESS;
}

bool SettingsFile::writeFlag(std::string_view section, std::string_view key, bool value)
{
    return writeText(section, key, value ? "1" : "0");
}

bool SettingsFile::writeInteger(std::string_view section, std::string_view key, int value)
{
    return writeText(section, key, std::to_string(value));
}

bool SettingsFile::deleteKey(std::string_view section, std::string_view key)
{
    if (readOnly_)
        return false;
    return profile_.writeString(section, key, std::nullopt, path_) == win::err::SUCCESS;
}

bool SettingsFile::ReadModeFlag(std::string_view prefix, std::string_view base, std::string_view key)
{
    if (!prefix.empty()) {
        const int value = readInteger(std::string(prefix) + std::string(base), key, -1);
        if (value == 1)
            return true;
        if (value == 0)
            return false;
    }
    return readFlag(base, key, false);
}

int SettingsFile::ReadModeInteger(std::string_view prefix, std::string_view base, int defaultValue,
                                  std::string_view key)
{
    if (!prefix.empty()) {
        const int value = readInteger(std::string(prefix) + std::string(base), key, -1);
        if (value >= 0)
            return value;
    }
    return readInteger(base, key, defaultValue);
}

std::string SettingsFile::ReadModeText(std::string_view prefix, std::string_view base,
                                       std::string_view defaultValue, std::string_view key)
{
    if (!prefix.empty()) {
        std::string value = readText(std::string(prefix) + std::string(base), key, "d");
        if (value != "d")
            return value;
    }
    return readText(base, key, defaultValue);
}

void SettingsFile::makeWritable()
{
    win::FileSystem files(machine_);
    win::DWORD attributes = 0;
    // A file that stays read-only fails the writes that follow, which say so.
    if (files.getAttributes(path_, attributes) == win::err::SUCCESS && (attributes & win::attr::READONLY))
        static_cast<void>(files.setAttributes(path_, attributes & ~win::attr::READONLY));
}

} // namespace kp
