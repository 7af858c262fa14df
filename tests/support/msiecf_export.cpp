#include "tests/support/msiecf_export.h"

#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace kp::test {

bool msiecfExporterAvailable()
{
    return ::access(kMsiecfExporter, X_OK) == 0;
}

bool exportLocations(const std::string& hostPath, std::multiset<std::string>& locations, std::string& text)
{
    FILE* pipe = ::popen((std::string(kMsiecfExporter) + " -m all '" + hostPath + "' 2>&1").c_str(), "r");
    if (!pipe)
        return false;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    const bool ok = ::pclose(pipe) == 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("Location\t"))
            locations.insert(line.substr(line.find(": ") + 2));
    return ok;
}

} // namespace kp::test
