// Registry figures on a machine-sized hive: loading a 1.7 MB system.reg laid
// out as Wine writes it, one value write to it (with its atomic save), and
// 10,000 value writes to user.reg in one batch.

#include "platform/registry/registry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace kp::win;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string hexBytes(std::size_t count, unsigned seed, std::size_t nameLength)
{
    // Wine wraps hex data after 76 columns, counting from the line's start.
    std::string out;
    std::size_t column = nameLength + 4;
    for (std::size_t i = 0; i < count; ++i) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02x", (seed * 31 + unsigned(i) * 7) & 0xFF);
        out += byte;
        column += 2;
        if (i + 1 < count) {
            out += ',';
            if (++column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

// A system.reg of about `targetSize` bytes: COM classes, file types and
// services with the mix of value types Wine's own hive has.
std::string makeSystemReg(std::size_t targetSize)
{
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    unsigned n = 0;
    auto key = [&](const std::string& path) {
        text += "\n[" + path + "] 1796585381\n#time=1dd85b823d98c36\n";
    };
    while (text.size() < targetSize * 6 / 10) {
        char clsid[64];
        std::snprintf(clsid, sizeof clsid, "{%08X-0000-11D0-8C4E-00C04FD90%03X}", 0x10000000u + n * 4099u, n % 4096u);
        const std::string base = std::string("Software\\\\Classes\\\\CLSID\\\\") + clsid;
        key(base);
        text += "@=\"Wine COM object " + std::to_string(n) + "\"\n";
        key(base + "\\\\InprocServer32");
        text += "@=\"C:\\\\windows\\\\system32\\\\module" + std::to_string(n % 700) + ".dll\"\n";
        text += "\"ThreadingModel\"=\"Both\"\n";
        if (n % 5 == 0) {
            key(base + "\\\\ProgID");
            text += "@=\"Module" + std::to_string(n) + ".Object.1\"\n";
        }
        ++n;
    }
    n = 0;
    while (text.size() < targetSize * 8 / 10) {
        char name[32];
        std::snprintf(name, sizeof name, "%06u", n);
        key(std::string("Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Settings\\\\Item") + name);
        text += "\"Flags\"=dword:" + std::string(name) + "00\n";
        text += "\"Path\"=str(2):\"%SystemRoot%\\\\system32\\\\item" + std::string(name) + ".dll\"\n";
        text += "\"Names\"=str(7):\"first\\0second\\0third\\0\"\n";
        text += "\"Data\"=hex:" + hexBytes(40 + n % 60, n, 6) + "\n";
        ++n;
    }
    n = 0;
    while (text.size() < targetSize) {
        char name[32];
        std::snprintf(name, sizeof name, "Service%05u", n);
        key(std::string("System\\\\CurrentControlSet\\\\Services\\\\") + name);
        text += "\"DisplayName\"=\"Wine service " + std::to_string(n) + "\"\n";
        text += "\"ErrorControl\"=dword:00000001\n";
        text += "\"ImagePath\"=str(2):\"C:\\\\windows\\\\system32\\\\svc" + std::to_string(n) + ".exe\"\n";
        text += "\"Start\"=dword:00000003\n";
        text += "\"Type\"=dword:00000010\n";
        text += "\"Security\"=hex(3):" + hexBytes(20, n, 8) + "\n";
        ++n;
    }
    return text;
}

std::string makeUserReg()
{
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n"
           "\n[Software\\\\Microsoft\\\\Internet Explorer\\\\Main] 1796585381\n#time=1dd85b823d98c36\n"
           "\"Start Page\"=\"about:blank\"\n";
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    namespace fs = std::filesystem;
    std::string dirPattern = (fs::temp_directory_path() / "kp-bench-registry-XXXXXX").string();
    if (!::mkdtemp(dirPattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = dirPattern;
    const std::string systemReg = makeSystemReg(1700 * 1024);
    std::ofstream(dir + "/system.reg", std::ios::binary) << systemReg;
    std::ofstream(dir + "/user.reg", std::ios::binary) << makeUserReg();
    std::printf("system.reg: %.2f MB, %zu lines\n", systemReg.size() / 1048576.0,
        size_t(std::count(systemReg.begin(), systemReg.end(), '\n')));

    constexpr int kRounds = 9;
    std::vector<double> loads, writes;
    for (int round = 0; round < kRounds; ++round) {
        Registry registry(dir);
        RegKey key;
        auto start = Clock::now();
        if (registry.openKey(RegRoot::LocalMachine, "System\\CurrentControlSet\\Services\\Service00042", true, key)) {
            std::fprintf(stderr, "cannot open the service key\n");
            return 1;
        }
        loads.push_back(msSince(start));

        start = Clock::now();
        if (registry.setDword(key, "Start", DWORD(round))) {
            std::fprintf(stderr, "write failed\n");
            return 1;
        }
        writes.push_back(msSince(start));
    }
    std::printf("load system.reg:                      median %7.2f ms  (min %.2f, max %.2f)\n", median(loads),
        *std::min_element(loads.begin(), loads.end()), *std::max_element(loads.begin(), loads.end()));
    std::printf("one value write to it (atomic save):  median %7.2f ms  (min %.2f, max %.2f)\n", median(writes),
        *std::min_element(writes.begin(), writes.end()), *std::max_element(writes.begin(), writes.end()));

    std::vector<double> loadAndWrite;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        Registry registry(dir);
        RegKey key;
        if (registry.createKey(RegRoot::LocalMachine, "Software\\Klenzor Bench", key) ||
            registry.setDword(key, "Round", DWORD(round))) {
            std::fprintf(stderr, "write failed\n");
            return 1;
        }
        loadAndWrite.push_back(msSince(start));
    }
    std::printf("load + one write + save, fresh:       median %7.2f ms\n", median(loadAndWrite));

    {
        Registry registry(dir);
        const auto start = Clock::now();
        registry.beginBatch();
        for (int i = 0; i < 10000; ++i) {
            RegKey key;
            const std::string sub = "Software\\Bench\\Key" + std::to_string(i / 100);
            if (registry.createKey(RegRoot::CurrentUser, sub, key) ||
                registry.setString(key, "Value" + std::to_string(i % 100), "data " + std::to_string(i))) {
                std::fprintf(stderr, "batched write failed\n");
                return 1;
            }
        }
        const auto end = registry.endBatch();
        const double total = msSince(start);
        if (end) {
            std::fprintf(stderr, "batch save failed: %u\n", unsigned(end));
            return 1;
        }
        std::printf("10,000 value writes to user.reg (one batch, 100 keys): %.2f ms total, %.2f us per write\n", total,
            total * 1000.0 / 10000);
    }
    {
        Registry registry(dir);
        RegKey key;
        if (registry.createKey(RegRoot::CurrentUser, "Software\\Bench\\Wide", key)) {
            std::fprintf(stderr, "creating the key failed\n");
            return 1;
        }
        const auto start = Clock::now();
        registry.beginBatch();
        for (int i = 0; i < 10000; ++i)
            if (registry.setDword(key, "v" + std::to_string(i), DWORD(i))) {
                std::fprintf(stderr, "batched write failed\n");
                return 1;
            }
        if (registry.endBatch()) {
            std::fprintf(stderr, "saving the batch failed\n");
            return 1;
        }
        std::printf("10,000 value writes to one key of user.reg (one batch): %.2f ms total\n", msSince(start));
    }

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
