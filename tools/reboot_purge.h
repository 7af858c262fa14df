#pragma once
// The browser's folders purged at the next start of Windows: the batch file
// "Purgeinx.bat" that removes the chosen cache, cookie and history folders
// (or only their INDEX.DAT) by their short paths (as Wine names them, since
// Wine's command interpreter runs it), and the RunOnce entry that runs it
// once when Windows starts again.

#include <QSize>

#include <array>
#include <string>
#include <vector>

namespace kp {

namespace win {
class Machine;
}
struct FolderSet;
class MessageService;
class ServiceLink;

enum RebootFolder { CacheFolder, CookiesFolder, HistoryFolder };
inline constexpr int kRebootFolderCount = 3;

// The six boxes: each folder whole, or only its INDEX.DAT.
struct RebootPurgeChoice {
    std::array<bool, kRebootFolderCount> whole {};
    std::array<bool, kRebootFolderCount> indexOnly {};

    bool any() const;
};

// "Cache Folder", "Cookie Folder", "History Folder".
const char* RebootFolderName(RebootFolder folder);
// The folder's path and whether folder discovery found it.
const std::string& RebootFolderPath(const FolderSet& folders, RebootFolder folder);
bool RebootFolderFound(const FolderSet& folders, RebootFolder folder);

// The batch file's path: in the data folder, else (no writable data folder)
// in the Windows folder.
std::string PurgeinxPath(win::Machine& machine, const FolderSet& folders);

// The batch's lines (CR LF ended) and the ticked folders it has no line for:
// a folder whose short path cannot be obtained gets none, since a command
// interpreter would take an empty path for its current folder.
struct PurgeinxBatch {
    std::string text;
    std::vector<RebootFolder> unresolved;
    bool hasCommands = false;
};
PurgeinxBatch BuildPurgeinx(win::Machine& machine, const FolderSet& folders, const RebootPurgeChoice& choice);

// Registers `batchPath` to run once at the next start: through the
// companion service's REGW request on the NT family, else (9x, or the
// service did not answer "OK") directly under HKLM. False, with the
// registry message shown, when the key cannot be written.
bool MakeRunOnceEntry(win::Machine& machine, ServiceLink& service, MessageService& messages,
                      const std::string& batchPath);

// OK of the dialog: checks the choice, writes the batch file and registers
// it, with the messages of each failure; `unresolved` gets the ticked
// folders the batch has no line for. True when the dialog may close.
bool WriteRebootPurge(win::Machine& machine, const FolderSet& folders, ServiceLink& service,
                      MessageService& messages, const RebootPurgeChoice& choice,
                      std::vector<RebootFolder>& unresolved);

// The dialog's caption and its size on a screen of `dpi` pixels per inch.
std::string KlenInxCaption();
QSize KlenInxSizeFor(QSize designed, double dpi);

} // namespace kp
