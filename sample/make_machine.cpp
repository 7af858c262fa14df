// kp-make-machine: writes a sample Windows XP machine (a Wine prefix) that
// has been used with Internet Explorer 6.

#include "sample/builder/machine_builder.h"
#include "sample/builder/unattended_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void printUsage(std::FILE* out)
{
    std::fputs("Usage: kp-make-machine FOLDER [--user NAME] [--seed N] [--layout xp|98] [--force] [--auto-purge]\n"
               "Writes a Windows XP machine with Internet Explorer 6 as a Wine prefix in FOLDER.\n"
               "\n"
               "  --user NAME  the user's name (default Owner)\n"
               "  --layout 98  a Windows 98 SE machine instead\n"
               "  --seed N     varies the generated names and contents (default 1)\n"
               "  --force      replace FOLDER when it already holds a Wine prefix\n"
               "  --auto-purge also write the program's settings for an unattended purge (AUTO)\n"
               "               of the cache, cookies and visited URLs\n"
               "  --help       show this text\n"
               "\n"
               "Exit status: 0 written, 1 the machine could not be written, 2 bad arguments.\n",
               out);
}

const char* describe(kp::sample::DWORD code)
{
    switch (code) {
    case 2:
    case 3:
        return "a folder on the way does not exist";
    case 5:
        return "access denied";
    case 11:
        return "the folder is not a Wine prefix; refusing to replace it";
    case 87:
        return "invalid user name";
    case 112:
        return "the disk is full";
    case 183:
        return "the folder already exists and is not empty (use --force to replace a machine)";
    default:
        return "write failed";
    }
}

} // namespace

int main(int argc, char** argv)
{
    kp::sample::MachineSpec recipe;
    std::string folder;
    bool force = false;
    bool autoPurge = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return kExitOk;
        }
        if (arg == "--force") {
            force = true;
        } else if (arg == "--auto-purge") {
            autoPurge = true;
        } else if (arg == "--user" || arg == "--seed" || arg == "--layout") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kp-make-machine: %s needs a value\n", arg.c_str());
                return kExitUsage;
            }
            std::string value = argv[++i];
            if (arg == "--user") {
                recipe.userName = value;
            } else if (arg == "--layout") {
                if (value != "xp" && value != "98") {
                    std::fprintf(stderr, "kp-make-machine: --layout is xp or 98, not \"%s\"\n", value.c_str());
                    return kExitUsage;
                }
                recipe.layout = value == "98" ? kp::sample::MachineLayout::Windows98 : kp::sample::MachineLayout::WindowsXP;
            } else {
                char* end = nullptr;
                recipe.seed = std::strtoull(value.c_str(), &end, 10);
                if (value.empty() || *end) {
                    std::fprintf(stderr, "kp-make-machine: --seed needs a number, not \"%s\"\n", value.c_str());
                    return kExitUsage;
                }
            }
        } else if (arg.starts_with("-")) {
            std::fprintf(stderr, "kp-make-machine: unknown option %s\n", arg.c_str());
            printUsage(stderr);
            return kExitUsage;
        } else if (folder.empty()) {
            folder = arg;
        } else {
            std::fprintf(stderr, "kp-make-machine: only one folder may be given\n");
            return kExitUsage;
        }
    }
    if (folder.empty()) {
        printUsage(stderr);
        return kExitUsage;
    }

    if (force) {
        if (kp::sample::DWORD e = kp::sample::removeMachine(folder)) {
            std::fprintf(stderr, "kp-make-machine: cannot replace %s: %s (error %u)\n", folder.c_str(), describe(e), e);
            return kExitFailed;
        }
    }
    if (kp::sample::DWORD e = kp::sample::buildMachine(folder, recipe)) {
        std::fprintf(stderr, "kp-make-machine: cannot write the machine in %s: %s (error %u)\n", folder.c_str(),
                     describe(e), e);
        return e == 87 ? kExitUsage : kExitFailed;
    }
    if (autoPurge) {
        if (kp::sample::DWORD e = kp::sample::writeUnattendedPurgeSettings(folder, recipe.userName)) {
            std::fprintf(stderr, "kp-make-machine: cannot write the unattended purge settings in %s: %s (error %u)\n",
                folder.c_str(), describe(e), e);
            return kExitFailed;
        }
    }
    const char* system = recipe.layout == kp::sample::MachineLayout::Windows98 ? "Windows 98" : "Windows XP";
    std::printf("Wrote a %s machine for user %s in %s\n", system, recipe.userName.c_str(), folder.c_str());
    return kExitOk;
}
