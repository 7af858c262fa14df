#include "tests/support/wine_prefix.h"

#include "platform/system/wine_session.h"
#include "tests/support/child_process.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace kp::test {

namespace {

Environment wineEnv(const std::string& prefix)
{
    return {{"WINEPREFIX", prefix}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}, {"WINEDEBUG", "-all"},
        {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
}

std::string cacheDir()
{
    return "/tmp/kp-wine-prefix-cache-" + std::to_string(::getuid());
}

// Builds the cached prefix unless an earlier call finished it. Callers hold
// the cache lock.
bool ensureCache(std::string& error)
{
    namespace fs = std::filesystem;
    const std::string cache = cacheDir();
    const std::string ready = cache + ".ready";
    std::error_code ec;
    if (fs::exists(ready, ec) && fs::exists(cache + "/system.reg", ec))
        return true;
    fs::remove_all(cache, ec);
    const Environment env = wineEnv(cache);
    if (runProgram({kWineLoader, "wineboot", "-i"}, env, nullptr) != 0) {
        error = "wineboot -i failed in " + cache;
        return false;
    }
    runProgram({kWineServer, "-w"}, env, nullptr);
    for (const char* hive : {"/system.reg", "/user.reg", "/userdef.reg"}) {
        if (!fs::exists(cache + hive, ec)) {
            error = "wineboot made no " + std::string(hive + 1) + " in " + cache;
            return false;
        }
    }
    const int fd = ::open(ready.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + ready;
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

bool wineAvailable()
{
    return ::access(kWineLoader, X_OK) == 0 && ::access(kWineServer, X_OK) == 0;
}

bool makeRealWinePrefix(const std::string& dir, std::string& error)
{
    if (!wineAvailable()) {
        error = std::string("Wine is not installed (") + kWineLoader + ")";
        return false;
    }
    const std::string lockPath = cacheDir() + ".lock";
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        error = "cannot lock " + lockPath;
        if (lock >= 0)
            ::close(lock);
        return false;
    }
    const bool cached = ensureCache(error);
    ::close(lock);
    if (!cached)
        return false;

    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    if (runProgram({"/bin/cp", "-a", cacheDir() + "/.", dir + "/"}, {}, nullptr) != 0) {
        error = "cannot copy the cached prefix into " + dir;
        return false;
    }
    return true;
}

bool stopWineSession(const std::string& prefix)
{
    const Environment env = wineEnv(prefix);
    runProgram({kWineServer, "-k"}, env, nullptr);
    return runProgram({kWineServer, "-w"}, env, nullptr) == 0;
}

int runWineServer(const std::string& prefix, const std::string& option)
{
    return runProgram({kWineServer, option}, wineEnv(prefix), nullptr);
}

int runWine(const std::string& prefix, const std::vector<std::string>& args, std::string& output)
{
    std::vector<std::string> argv {kWineLoader};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, wineEnv(prefix), &output);
}

std::string runWineProgram(const std::string& prefix, const std::string& program, std::vector<std::string> args)
{
    std::string out;
    args.insert(args.begin(), program);
    runWine(prefix, args, out);
    stopWineSession(prefix);
    return out;
}

WineSessionOf::WineSessionOf(std::string prefix)
    : prefix_(std::move(prefix))
{
    if (runWineServer(prefix_, "-p") != 0)
        return;
    for (int i = 0; i < 200 && !running_; ++i) {
        running_ = kp::win::detectWineSession(prefix_).running;
        if (!running_)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

WineSessionOf::~WineSessionOf()
{
    const std::string serverDir = kp::win::detectWineSession(prefix_).serverDir;
    stopWineSession(prefix_);
    std::error_code ec;
    std::filesystem::remove_all(serverDir, ec);
}

std::vector<std::vector<std::string>> tabbedRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        rows.push_back(fields);
    }
    return rows;
}

} // namespace kp::test
