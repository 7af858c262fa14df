#pragma once
// The protect file "KlenPro.Dat" in the data folder: the source URL names of
// the cache entries, cookies and visited URLs that no purge deletes. ANSI
// text, one name per line, every line ended by CR LF when written; read with
// CR, LF or CR LF line ends, up to the first NUL. Each user (a purge
// function, the Protect window) loads its own ProtectList.

#include <QSet>
#include <QString>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kp {

namespace win {
class Machine;
}
class MessageService;
struct FolderSet;

inline constexpr const char* kProtectFileName = "KlenPro.Dat";

// The protect file's Windows path; empty without a data folder.
std::string ProtectFilePath(const FolderSet& folders);

class ProtectList {
public:
    ProtectList(win::Machine& machine, MessageService& messages, const FolderSet& folders);

    // Reads the file at `path` (remembered for EnsureLoaded and Save) and
    // sorts the lines; duplicates stay. A file that cannot be read leaves the
    // list empty and not loaded, unless the data folder is not writable.
    void LoadProtectList(const std::string& path);

    // When not loaded: creates an empty file silently for a data folder
    // named by %klenzordat%, else asks Abort / Ignore. False on Abort; on
    // Ignore an empty file replaces whatever is there and the result is true.
    bool EnsureLoaded();

    // Exact, case-sensitive equality of the whole name with some line.
    bool IsProtected(std::string_view name) const;

    // Inserts at the sorted place unless a line equal ignoring case exists;
    // sets modified either way.
    void Add(std::string_view name);
    // Removes the first line exactly equal to `name`; the caller sets
    // modified.
    void Remove(std::string_view name);

    // When modified and the data folder is writable: replaces the file
    // atomically with the lines in list order, keeping its attributes; a
    // read-only file is made writable for a second attempt; a failure shows
    // "Unable to save the protect file - ". The list is emptied afterwards.
    void Save();

    // The line count, less one when some line is exactly "Protect File".
    int ProtectedCount() const;

    const std::vector<std::string>& lines() const { return lines_; }
    int count() const { return int(lines_.size()); }
    bool loaded() const { return loaded_; }
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

private:
    bool writeFile();
    void rebuildIndex();

    win::Machine& machine_;
    MessageService& messages_;
    const FolderSet& folders_;
    std::string path_;
    std::vector<std::string> lines_;
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_set<std::string, TextHash, std::equal_to<>> index_; // the lines, for IsProtected
    QSet<QString> foldedIndex_;             // the lines case-folded, for Add
    bool loaded_ = false;
    bool modified_ = false;
};

// The kind of a source URL name, by its upper-cased beginning.
enum class EntryKind { Cookie, Visited, Cache };
EntryKind EntryKindOf(std::string_view name);

} // namespace kp
