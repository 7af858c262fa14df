#include "platform/system/wine_session.h"

#include "platform/host/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

namespace {

// The private folder name Debian's wineserver wrote into the prefix.
std::string privateFolderName(const std::string& prefixDir)
{
    std::ifstream in(prefixDir + "/wineserver");
    std::string name;
    std::getline(in, name);
    bool plain = !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
    return plain ? name : std::string();
}

// Checks one server folder; true when it settles the question.
bool probe(const std::string& dir, WineSession& session)
{
    const UniqueFd fd(::open((dir + "/lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return false;
    session.serverDir = dir;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    if (::fcntl(fd.get(), F_GETLK, &lock) == 0) {
        session.running = lock.l_type != F_UNLCK;
        session.serverPid = session.running ? long(lock.l_pid) : 0;
    } else if (errno == ENOLCK) {
        struct stat st {};
        session.running = ::lstat((dir + "/socket").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
    }
    return session.running;
}

} // namespace

std::vector<std::string> wineServerDirs(const std::string& prefixDir)
{
    struct stat st {};
    if (prefixDir.empty() || ::stat(prefixDir.c_str(), &st) != 0)
        return {};
    char leaf[64];
    std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
        static_cast<unsigned long long>(st.st_ino));
    std::vector<std::string> dirs;
    if (std::string name = privateFolderName(prefixDir); !name.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        if (tmp && tmp[0] == '/' && std::string(tmp) != "/tmp")
            dirs.push_back(std::string(tmp) + "/" + name + "/" + leaf);
        dirs.push_back("/tmp/" + name + "/" + leaf);
    }
    dirs.push_back("/tmp/.wine-" + std::to_string(::getuid()) + "/" + leaf);
    return dirs;
}

WineSession detectWineSession(const std::string& prefixDir)
{
    WineSession session;
    std::vector<std::string> dirs = wineServerDirs(prefixDir);
    for (const std::string& dir : dirs)
        if (probe(dir, session))
            return session;
    if (session.serverDir.empty() && !dirs.empty())
        session.serverDir = dirs.front();
    return session;
}

} // namespace kp::win
