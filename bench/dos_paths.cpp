// Resolving every file of a 100,000-file folder through the path cache, and
// listing it with FindFirstFile/FindNextFile: prints the number of folder
// scans and the time per file.

#include "platform/files/dos_paths.h"
#include "platform/files/file_system.h"
#include "platform/files/folder_search.h"
#include "platform/machine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kp::win;

int main()
{
    constexpr int kFiles = 100000;
    std::string dir = (fs::temp_directory_path() / "kp-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data()))
        return 1;
    fs::create_directories(dir + "/drive_c/Big");
    fs::create_directories(dir + "/dosdevices");
    fs::create_symlink("../drive_c", dir + "/dosdevices/c:");
    std::ofstream(dir + "/system.reg") << "WINE REGISTRY Version 2\n";
    for (int i = 0; i < kFiles; ++i) {
        int fd = ::open((dir + "/drive_c/Big/cache entry " + std::to_string(i) + ".htm").c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    std::unique_ptr<Machine> machine;
    if (Machine::open(dir, machine) != err::SUCCESS)
        return 1;
    DosPaths& paths = machine->paths();
    auto scansBefore = paths.scanCount();
    auto start = std::chrono::steady_clock::now();
    int found = 0;
    std::string host;
    for (int i = 0; i < kFiles; ++i) {
        bool exists = false;
        found += paths.toHost("C:\\BIG\\CACHE ENTRY " + std::to_string(i) + ".HTM", host, &exists) == err::SUCCESS
            && exists;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("resolved %d of %d files in %.3f s (%.2f us each), folder scans: %llu\n", found, kFiles, seconds,
        seconds * 1e6 / kFiles, static_cast<unsigned long long>(paths.scanCount() - scansBefore));

    FileSystem fs(*machine);
    scansBefore = paths.scanCount();
    start = std::chrono::steady_clock::now();
    int listed = 0;
    FolderSearch search(fs, "C:\\Big\\*.htm");
    for ([[maybe_unused]] const FindData& entry : search)
        ++listed;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("listed %d files with their attributes in %.3f s (%.2f us each), folder scans: %llu\n", listed,
        seconds, seconds * 1e6 / kFiles, static_cast<unsigned long long>(paths.scanCount() - scansBefore));
    machine.reset();
    fs::remove_all(dir);
    return found == kFiles && search.error() == err::SUCCESS ? 0 : 1;
}
