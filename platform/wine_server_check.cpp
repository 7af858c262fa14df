#include "platform/wine_server_check.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::win {

bool wineServerRunning(const std::string& prefixDir)
{
    struct stat st {};
    if (::stat(prefixDir.c_str(), &st) != 0)
        return false;
    char dir[128];
    std::snprintf(dir, sizeof dir, "/tmp/.wine-%u/server-%llx-%llx", unsigned(::getuid()),
                  static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino));
    int fd = ::open((std::string(dir) + "/lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    bool running = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return running;
}

} // namespace kp::win
