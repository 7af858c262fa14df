#include "protect/protect_list.h"

#include "core/message_service.h"
#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "settings/folder_set.h"

#include <QString>

#include <algorithm>

namespace kp {

namespace {

constexpr std::string_view kHeaderLine = "Protect File";

// The locale's case-insensitive order: letters compared after case folding.
QString sortKey(std::string_view line)
{
    return QString::fromLatin1(line.data(), qsizetype(line.size())).toCaseFolded();
}

bool dataFolderWritable(const FolderSet& folders)
{
    return !folders.dataFolder.empty() && !folders.dataFolderReadOnly;
}

std::vector<std::string> splitLines(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool startsWithUpper(std::string_view name, std::string_view prefix)
{
    if (name.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = name[i];
        if ((c >= 'a' && c <= 'z' ? char(c - 32) : c) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

std::string ProtectFilePath(const FolderSet& folders)
{
    return folders.dataFolder.empty() ? std::string() : folders.dataFolder + "\\" + kProtectFileName;
}

EntryKind EntryKindOf(std::string_view name)
{
    if (startsWithUpper(name, "COOKIE:"))
        return EntryKind::Cookie;
    if (startsWithUpper(name, "VISITED:"))
        return EntryKind::Visited;
    return EntryKind::Cache;
}

ProtectList::ProtectList(win::Machine& machine, MessageService& messages, const FolderSet& folders)
    : machine_(machine)
    , messages_(messages)
    , folders_(folders)
    , path_(ProtectFilePath(folders))
{
}

void ProtectList::LoadProtectList(const std::string& path)
{
    path_ = path;
    lines_.clear();
    std::string text;
    loaded_ = !path.empty() && win::readTextFile(machine_, path, text) == win::err::SUCCESS;
    if (loaded_)
        lines_ = splitLines(text);
    std::vector<std::pair<QString, std::string>> keyed;
    keyed.reserve(lines_.size());
    for (std::string& line : lines_)
        keyed.emplace_back(sortKey(line), std::move(line));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return QString::localeAwareCompare(a.first, b.first) < 0; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        lines_[i] = std::move(keyed[i].second);
    if (!dataFolderWritable(folders_))
        loaded_ = true;
    rebuildIndex();
}

bool ProtectList::EnsureLoaded()
{
    if (loaded_)
        return true;
    if (folders_.dataFolderFromEnv && writeFile())
        loaded_ = true;
    if (loaded_)
        return true;
    const std::string name = kProtectFileName;
    const MsgButton answer = messages_.show("Klenzor  -  Message",
        "Unable to open the Protect file - " + name + "\r\n\r\nSelect \"Abort\" to terminate this function.\r\n\r\n"
        "Select \"Ignore\" to attempt to create an empty \r\n" + name + " file and continue this function.",
        MsgKind::Warning, Abort | Ignore);
    if (answer == Abort)
        return false;
    if (writeFile())
        loaded_ = true;
    return true;
}

bool ProtectList::IsProtected(std::string_view name) const
{
    return !index_.empty() && index_.find(name) != index_.end();
}

void ProtectList::Add(std::string_view name)
{
    modified_ = true;
    const QString key = sortKey(name);
    if (foldedIndex_.contains(key))
        return;
    auto place = std::upper_bound(lines_.begin(), lines_.end(), key, [](const QString& k, const std::string& line) {
        return QString::localeAwareCompare(k, sortKey(line)) < 0;
    });
    lines_.emplace(place, name);
    index_.emplace(name);
    foldedIndex_.insert(key);
}

void ProtectList::Remove(std::string_view name)
{
    auto found = std::find(lines_.begin(), lines_.end(), name);
    if (found == lines_.end())
        return;
    lines_.erase(found);
    rebuildIndex();
}

void ProtectList::Save()
{
    if (modified_ && dataFolderWritable(folders_) && !writeFile()) {
        win::FileSystem files(machine_);
        win::DWORD attributes = 0;
        // A file that stays read-only fails the write below, which is reported.
        if (files.getAttributes(path_, attributes) == win::err::SUCCESS && (attributes & win::attr::READONLY))
            static_cast<void>(files.setAttributes(path_, attributes & ~win::attr::READONLY));
        if (!writeFile())
            messages_.show("Klenzor  -  Message",
                           std::string("Unable to save the protect file - ") + kProtectFileName
                               + "\r\nExecution will continue without saving the changes.",
                           MsgKind::Warning, OK);
    }
    lines_.clear();
    rebuildIndex();
    modified_ = false;
    loaded_ = false;
}

int ProtectList::ProtectedCount() const
{
    const bool header = std::find(lines_.begin(), lines_.end(), kHeaderLine) != lines_.end();
    return int(lines_.size()) - (header ? 1 : 0);
}

bool ProtectList::writeFile()
{
    if (path_.empty())
        return false;
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return win::replaceTextFile(machine_, path_, text) == win::err::SUCCESS;
}

void ProtectList::rebuildIndex()
{
    index_.clear();
    index_.insert(lines_.begin(), lines_.end());
    foldedIndex_.clear();
    for (const std::string& line : lines_)
        foldedIndex_.insert(sortKey(line));
}

} // namespace kp
