#pragma once
// What the benchmark programs share: timing, peak memory, a machine built in
// a child process, shell commands, and a run without windows or users.

#include "core/error_level.h"
#include "core/keywords.h"
#include "core/message_service.h"
#include "platform/machine.h"
#include "platform/system/browser_windows.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "sample/builder/machine_builder.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kp::bench {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's peak resident memory so far, in kilobytes.
inline long peakKilobytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Builds the machine in a child process, so that its memory is not ours.
// Returns the build's Win32 code (its low byte), or -1 when the child failed.
inline int buildInChild(const std::string& dir, const sample::MachineSpec& recipe)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(int(sample::buildMachine(dir, recipe) & 0xFF));
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Builds the machine in a child process and says how long it took, or why
// it failed.
inline bool buildMachineTimed(const std::string& dir, const sample::MachineSpec& recipe)
{
    const auto start = std::chrono::steady_clock::now();
    if (int code = buildInChild(dir, recipe)) {
        std::fprintf(stderr, "building the machine failed (error code %d, low byte)\n", code);
        return false;
    }
    std::printf("machine: %d cache entries, %d cookies, %d visited URLs built in %.1f s\n", recipe.cacheEntries,
                recipe.cookies, recipe.visitedUrls, secondsSince(start));
    return true;
}

inline int run(const std::string& command) { return std::system(command.c_str()); }

// A machine with no windows open.
class NoWindows : public win::WindowList {
public:
    std::vector<win::TopLevelWindow> topLevelWindows() override { return {}; }
};

// Every question answered with its default button, as nobody is there.
class DefaultAnswers : public MessageService {
public:
    using MessageService::show;
    MsgButton show(const Message& message) override { return defaultButtonOf(message); }
};

// What a purge call needs besides its machine, as an unattended run has it.
// Taken apart by name: auto& [messages, errors, state, keywords, general,
// folders, report] = rig;
template <typename Messages = DefaultAnswers>
struct PurgeRig {
    Messages messages;
    ErrorState errors;
    RunState state;
    Keywords keywords;
    GeneralSettings general;
    FolderSet folders;
    PurgeReport report {errors, messages};
};

} // namespace kp::bench
