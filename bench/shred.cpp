// Quick Shred and 3-pass Thorough Shred of 1,000 files of 64 KB, against GNU
// shred ("-n 1 -z -u" and "-n 3 -u") on an identical set of files on the
// same file system.

#include "bench/support/bench_support.h"
#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "purge/file_delete.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace kp;
using namespace kp::bench;

namespace {

constexpr int kFiles = 1000;
constexpr std::size_t kFileSize = 64 * 1024;

std::string fileName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "file%04d.bin", i);
    return name;
}

void makeFiles(const std::string& folder, const std::string& contents)
{
    fs::create_directories(folder);
    for (int i = 0; i < kFiles; ++i)
        std::ofstream(folder + "/" + fileName(i), std::ios::binary) << contents;
}

int remaining(const std::string& folder)
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

double gnuShred(const std::string& folder, const char* options)
{
    std::string command = std::string("cd '") + folder + "' && shred " + options;
    for (int i = 0; i < kFiles; ++i)
        command += " " + fileName(i);
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = secondsSince(start);
    if (status != 0 || remaining(folder) != 0)
        std::fprintf(stderr, "GNU shred %s failed (status %d)\n", options, status);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string dir = (fs::temp_directory_path() / "kp-bench-shred-XXXXXX").string();
    if (!::mkdtemp(dir.data()))
        return 1;
    fs::create_directories(dir + "/dosdevices");
    fs::create_symlink("../drive_c", dir + "/dosdevices/c:");
    std::ofstream(dir + "/system.reg") << "WINE REGISTRY Version 2\n";

    std::string contents(kFileSize, '\0');
    std::mt19937 random(7);
    for (char& c : contents)
        c = char(random());
    for (const char* set : {"ours-quick", "ours-thorough", "gnu-quick", "gnu-thorough"})
        makeFiles(dir + "/drive_c/" + set, contents);

    std::unique_ptr<win::Machine> machine;
    if (win::Machine::open(dir, machine) != win::err::SUCCESS)
        return 1;
    PurgeRig<ConsoleMessageService> rig;
    auto& [messages, errors, run, keywords, general, folders, report] = rig;
    PurgeContext context{report, run, errors, keywords, folders, general, messages, machine.get()};

    auto ours = [&](const char* set, int passes) {
        ::sync();
        const auto start = std::chrono::steady_clock::now();
        int failed = 0;
        for (int i = 0; i < kFiles; ++i)
            failed += !ShredFile(context, std::string("C:\\") + set + "\\" + fileName(i), passes);
        const double seconds = secondsSince(start);
        if (failed || remaining(dir + "/drive_c/" + set) != 0)
            std::fprintf(stderr, "%d shreds failed\n", failed);
        return seconds;
    };

    const double quick = ours("ours-quick", 0);
    const double gnuQuick = gnuShred(dir + "/drive_c/gnu-quick", "-n 1 -z -u");
    const double thorough = ours("ours-thorough", 3);
    const double gnuThorough = gnuShred(dir + "/drive_c/gnu-thorough", "-n 3 -u");

    std::printf("%d files of %zu KB, cluster size %u bytes\n", kFiles, kFileSize / 1024,
                unsigned(run.shredState.clusterSize));
    std::printf("Quick Shred:            %7.3f s  (%6.0f files/s)\n", quick, kFiles / quick);
    std::printf("GNU shred -n 1 -z -u:   %7.3f s  (%6.0f files/s)\n", gnuQuick, kFiles / gnuQuick);
    std::printf("  ratio ours / GNU:     %7.2f\n", quick / gnuQuick);
    std::printf("Thorough Shred, 3:      %7.3f s  (%6.0f files/s)\n", thorough, kFiles / thorough);
    std::printf("GNU shred -n 3 -u:      %7.3f s  (%6.0f files/s)\n", gnuThorough, kFiles / gnuThorough);
    std::printf("  ratio ours / GNU:     %7.2f\n", thorough / gnuThorough);

    fs::remove_all(dir);
    return 0;
}
