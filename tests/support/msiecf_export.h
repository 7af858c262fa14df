#pragma once
// msiecfexport (libmsiecf-utils), an outside reader of index.dat files.

#include <set>
#include <string>

namespace kp::test {

inline constexpr const char* kMsiecfExporter = "/usr/bin/msiecfexport";

bool msiecfExporterAvailable();

// The Location of every record msiecfexport finds in the index file at
// `hostPath`, allocated or recovered; `text` receives its whole output.
// False when it fails to read the file.
bool exportLocations(const std::string& hostPath, std::multiset<std::string>& locations, std::string& text);

// The host path of the local file of every allocated record msiecfexport
// finds in the index file at `hostPath`: the record's cache subfolder of
// the index's folder (none for a record without one) and its file name.
bool exportLocalFiles(const std::string& hostPath, std::set<std::string>& files, std::string& text);

} // namespace kp::test
