#include "platform/system/browser_windows.h"

#include "platform/host/host_io.h"
#include "platform/host/unique_fd.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace kp::win {

namespace {

// A /proc file's content, at most 1 MB: as much as could be read, since its
// process may end meanwhile.
std::string readProcFile(const std::string& path)
{
    std::string text;
    if (const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)); fd)
        static_cast<void>(readToEnd(fd.get(), text, 1u << 20));
    return text;
}

std::vector<std::string> splitNul(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string::npos)
            end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string lowerName(std::string path)
{
    const std::size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos)
        path.erase(0, cut + 1);
    for (char& c : path)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

std::string realOrSame(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool browserWindow(const std::string& program, TopLevelWindow& out)
{
    if (program == "iexplore.exe") {
        out = {"IEFrame", "about:blank - Microsoft Internet Explorer", true, {}};
        return true;
    }
    if (program == "msn6.exe") {
        out = {"MSN6 Window", "MSN", true, {"Browser"}};
        return true;
    }
    return false;
}

} // namespace

ProcessWindowList::ProcessWindowList(std::string prefixDir, std::string procDir)
    : prefixDir_(realOrSame(prefixDir))
    , procDir_(std::move(procDir))
{
}

std::vector<TopLevelWindow> ProcessWindowList::topLevelWindows()
{
    std::vector<TopLevelWindow> windows;
    DIR* dir = ::opendir(procDir_.c_str());
    if (!dir)
        return windows;
    while (const dirent* e = ::readdir(dir)) {
        const std::string pid = e->d_name;
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0])))
            continue;
        const std::string base = procDir_ + "/" + pid;
        const std::vector<std::string> argv = splitNul(readProcFile(base + "/cmdline"));
        TopLevelWindow window;
        const bool named = (!argv.empty() && browserWindow(lowerName(argv[0]), window))
            || browserWindow(lowerName(firstLine(readProcFile(base + "/comm"))), window);
        if (!named)
            continue;
        std::string prefix, home;
        for (const std::string& variable : splitNul(readProcFile(base + "/environ"))) {
            if (variable.starts_with("WINEPREFIX="))
                prefix = variable.substr(11);
            else if (variable.starts_with("HOME="))
                home = variable.substr(5);
        }
        if (prefix.empty() && !home.empty())
            prefix = home + "/.wine";
        if (!prefix.empty() && realOrSame(prefix) == prefixDir_)
            windows.push_back(window);
    }
    ::closedir(dir);
    return windows;
}

MachineWindowList::MachineWindowList(MachineWindows& session, std::string prefixDir)
    : session_(session)
    , processes_(std::move(prefixDir))
{
}

std::vector<TopLevelWindow> MachineWindowList::topLevelWindows()
{
    std::vector<SessionWindow> listed;
    if (session_.list(listed) != err::SUCCESS)
        return processes_.topLevelWindows();
    std::vector<TopLevelWindow> windows;
    for (const SessionWindow& w : listed) {
        TopLevelWindow window {w.className, w.title, w.visible, {}};
        for (const ChildWindow& child : w.children)
            window.childTitles.push_back(child.title);
        windows.push_back(std::move(window));
    }
    return windows;
}

} // namespace kp::win
