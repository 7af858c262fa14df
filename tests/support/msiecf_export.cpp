#include "tests/support/msiecf_export.h"

#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace kp::test {

bool msiecfExporterAvailable()
{
    return ::access(kMsiecfExporter, X_OK) == 0;
}

namespace {

bool runExporter(const std::string& hostPath, const char* mode, std::string& text)
{
    FILE* pipe = ::popen((std::string(kMsiecfExporter) + " -m " + mode + " '" + hostPath + "' 2>&1").c_str(), "r");
    if (!pipe)
        return false;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    return ::pclose(pipe) == 0;
}

// The value of an exported "Name\t\t: value" line.
std::string valueOf(const std::string& line)
{
    const std::size_t colon = line.find(": ");
    return colon == std::string::npos ? std::string() : line.substr(colon + 2);
}

} // namespace

bool exportLocations(const std::string& hostPath, std::multiset<std::string>& locations, std::string& text)
{
    const bool ok = runExporter(hostPath, "all", text);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("Location\t"))
            locations.insert(valueOf(line));
    return ok;
}

bool exportLocalFiles(const std::string& hostPath, std::set<std::string>& files, std::string& text)
{
    std::string exported;
    const bool ok = runExporter(hostPath, "items", exported);
    text += exported;
    const std::string folder = hostPath.substr(0, hostPath.rfind('/'));
    std::istringstream in(exported);
    std::string line, fileName;
    while (std::getline(in, line)) {
        if (line.starts_with("Record type\t")) {
            fileName.clear();
        } else if (line.starts_with("Filename\t")) {
            fileName = valueOf(line);
        } else if (line.starts_with("Cache directory index\t") && !fileName.empty()) {
            // "0 (0x00)(FH4LV6JV)", or "-2 (0xfe)" for none
            const std::string value = valueOf(line);
            const std::size_t open = value.find(")(");
            const std::string sub = open == std::string::npos ? "" : value.substr(open + 2, value.size() - open - 3);
            files.insert(folder + (sub.empty() ? "" : "/" + sub) + "/" + fileName);
            fileName.clear();
        }
    }
    return ok;
}

} // namespace kp::test
