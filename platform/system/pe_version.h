#pragma once
// The version resource of a PE file (an .exe or .dll), read as
// GetFileVersionInfo and VerQueryValue read it: the fixed file information
// and the "FileVersion" text of the first string table. Every offset and
// length in the image is checked against the bytes that hold it.

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace kp::win {

class Machine;

struct FileVersionInfo {
    bool hasFixed = false;
    DWORD fileVersionMS = 0; // major << 16 | minor
    DWORD fileVersionLS = 0; // build << 16 | revision
    std::string fileVersionText; // the StringFileInfo "FileVersion"; "" when absent
};

// From the bytes of an image: BAD_FORMAT when it is not a PE image,
// RESOURCE_TYPE_NOT_FOUND when it has no version resource, INVALID_DATA when
// the resource is damaged.
[[nodiscard]] DWORD readVersionResource(std::string_view image, FileVersionInfo& out);

// From a file of the machine (images above 64 MB are refused).
[[nodiscard]] DWORD fileVersionInfo(Machine& machine, std::string_view winPath, FileVersionInfo& out);

// The fixed version as "major.minor.build.revision" ("6.0.2900.2180").
std::string fixedVersionText(const FileVersionInfo& info);

} // namespace kp::win
