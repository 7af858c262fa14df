#pragma once
// Deleting the files the purge functions remove: plainly, or shredded
// (overwritten, cut to zero length, renamed to "_Klenzor.zap" in its folder
// and deleted) when the run's secure-delete option is on. Every call clears
// and then sets the run's last system error code (RunState::LastErrorCode).

#include <cstdint>
#include <string_view>

namespace kp::win {
class OpenFolder;
} // namespace kp::win

namespace kp {

struct GeneralSettings;
struct PurgeContext;
struct ShredState;

// Passes of a shred as the settings give them: Repeats for a Thorough Shred,
// 0 for a Quick Shred.
int ShredPassCount(const GeneralSettings& general);

// Deletes `path`, its read-only attribute cleared: ShredFile with
// ShredPassCount when the run shreds, PlainDelete otherwise.
bool DeleteFileWithOptions(PurgeContext& context, std::string_view path, std::string_view shortName);

// DeleteFileWithOptions for the file `name` of an open folder, `path` being
// its Windows path: without shredding no path is looked up, and the name
// is removed from the very folder that was listed.
bool DeleteFolderEntry(PurgeContext& context, win::OpenFolder& folder, std::string_view name, std::string_view path);

// DeleteFile; when the file or path is not found and a short name is given
// (not empty, not beginning with a blank), deletes by the short name in the
// same folder instead. True when the last error code ends at 0.
bool PlainDelete(PurgeContext& context, std::string_view path, std::string_view shortName);

// Overwrites the file `passes` times (below 1: one pass of zeros; otherwise
// blocks A, not-A, C, ...) over its length rounded up to the cluster size,
// each pass flushed to the disk; then truncates it, renames it to
// "_Klenzor.zap" and deletes it. A symbolic link is removed as a link, never
// overwritten. Cancel between passes skips the remaining ones.
bool ShredFile(PurgeContext& context, std::string_view path, int passes);

// Works out the cluster size of the drive of `path`'s folder (the current
// directory when it has none) and caches it with the drive letter in `state`.
// False for paths without a drive letter and for drives that cannot be asked.
bool ClusterSizeForFile(PurgeContext& context, std::string_view path);

// `length` rounded up to a multiple of the cached cluster size; unchanged
// when none is cached.
std::uint64_t RoundUpToCluster(const ShredState& state, std::uint64_t length);

// The cluster size a FAT32 volume of `totalKilobytes` uses, whatever it
// reports.
std::uint32_t Fat32ClusterSize(std::uint64_t totalKilobytes);

} // namespace kp
