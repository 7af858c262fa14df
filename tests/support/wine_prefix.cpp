#include "tests/support/wine_prefix.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace kp::test {

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

int runProgram(const std::vector<std::string>& argv, const Env& env, std::string* output)
{
    int pipeFds[2] = {-1, -1};
    if (output && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        for (const auto& [name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(output ? pipeFds[1] : devNull, 1);
        ::dup2(devNull, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (output) {
        ::close(pipeFds[1]);
        output->clear();
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0)
                output->append(buffer, static_cast<std::size_t>(n));
        ::close(pipeFds[0]);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Env wineEnv(const std::string& prefix)
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
    const Env env = wineEnv(cache);
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
    const Env env = wineEnv(prefix);
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
