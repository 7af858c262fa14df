#include "sample/builder/machine_builder.h"

#include "sample/builder/build_context.h"

#include "platform/files/dos_paths.h"
#include "platform/files/file_system.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::sample {

using namespace kp::win;

namespace {

DWORD errnoToWin32(int e)
{
    switch (e) {
    case ENOENT:
        return err::PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return err::ACCESS_DENIED;
    case EEXIST:
        return err::ALREADY_EXISTS;
    case ENOSPC:
        return err::DISK_FULL;
    case ENOTEMPTY:
        return err::DIR_NOT_EMPTY;
    case ENAMETOOLONG:
        return err::FILENAME_EXCED_RANGE;
    default:
        return err::GEN_FAILURE;
    }
}

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isEmptyDirectory(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return false;
    bool empty = true;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

// Removes everything below `dirFd` without following symbolic links: a link
// is removed as a link, whatever it points to.
int removeContents(int dirFd)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return errno;
    }
    int result = 0;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            result = errno;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            ::fchmodat(dirFd, entry->d_name, 0755, 0);
            int child = ::openat(dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (child < 0) {
                result = errno;
                continue;
            }
            if (int e = removeContents(child))
                result = e;
            if (::unlinkat(dirFd, entry->d_name, AT_REMOVEDIR) != 0)
                result = errno;
        } else if (::unlinkat(dirFd, entry->d_name, 0) != 0) {
            result = errno;
        }
    }
    ::closedir(dir);
    return result;
}

std::int64_t startOfToday()
{
    std::int64_t now = std::int64_t(std::time(nullptr));
    return now - now % 86400;
}

MachineFolders xpFolders(const std::string& user)
{
    MachineFolders f;
    f.windows = "C:\\WINDOWS";
    f.windowsTemp = f.windows + "\\TEMP";
    f.programFiles = "C:\\Program Files";
    f.klenzorProgram = f.programFiles + "\\Klenzor Pro";
    f.profiles = "C:\\Documents and Settings";
    f.profile = f.profiles + "\\" + user;
    f.allUsers = f.profiles + "\\All Users";
    const std::string& p = f.profile;
    f.desktop = p + "\\Desktop";
    f.personal = p + "\\My Documents";
    f.pictures = f.personal + "\\My Pictures";
    f.appData = p + "\\Application Data";
    f.localAppData = p + "\\Local Settings\\Application Data";
    f.favorites = p + "\\Favorites";
    f.cookies = p + "\\Cookies";
    f.recent = p + "\\Recent";
    f.sendTo = p + "\\SendTo";
    f.startMenu = p + "\\Start Menu";
    f.programs = f.startMenu + "\\Programs";
    f.startup = f.programs + "\\Startup";
    f.templates = p + "\\Templates";
    f.netHood = p + "\\NetHood";
    f.printHood = p + "\\PrintHood";
    f.cache = p + "\\Local Settings\\Temporary Internet Files";
    f.contentIE5 = f.cache + "\\Content.IE5";
    f.history = p + "\\Local Settings\\History";
    f.historyIE5 = f.history + "\\History.IE5";
    f.temp = p + "\\Local Settings\\Temp";
    f.userData = f.appData + "\\Microsoft\\Internet Explorer\\UserData";
    return f;
}

MachineFolders win98Folders(const std::string& user)
{
    MachineFolders f;
    f.windows = "C:\\WINDOWS";
    f.windowsTemp = f.windows + "\\TEMP";
    f.programFiles = "C:\\Program Files";
    f.klenzorProgram = f.programFiles + "\\Klenzor Pro";
    f.profiles = f.windows + "\\Profiles";
    f.profile = f.profiles + "\\" + user;
    f.allUsers = f.windows + "\\All Users";
    const std::string& p = f.profile;
    f.desktop = p + "\\Desktop";
    f.personal = p + "\\My Documents";
    f.pictures = f.personal + "\\My Pictures";
    f.appData = p + "\\Application Data";
    f.localAppData = f.appData;
    f.favorites = p + "\\Favorites";
    f.cookies = p + "\\Cookies";
    f.recent = p + "\\Recent";
    f.sendTo = p + "\\SendTo";
    f.startMenu = p + "\\Start Menu";
    f.programs = f.startMenu + "\\Programs";
    f.startup = f.programs + "\\StartUp";
    f.templates = f.windows + "\\ShellNew";
    f.netHood = p + "\\NetHood";
    f.printHood = p + "\\PrintHood";
    f.cache = p + "\\Temporary Internet Files";
    f.contentIE5 = f.cache + "\\Content.IE5";
    f.history = p + "\\History";
    f.historyIE5 = f.history + "\\History.IE5";
    f.temp = f.windowsTemp;
    f.userData = f.appData + "\\Microsoft\\Internet Explorer\\UserData";
    return f;
}

std::string dayStamp(std::int64_t unixSeconds)
{
    std::time_t t = std::time_t(unixSeconds);
    std::tm tm {};
    ::gmtime_r(&t, &tm);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buffer;
}

} // namespace

std::string BuildContext::hostPath(std::string_view winPath) const
{
    std::string out = prefixDir + "/drive_c";
    std::string_view rest = winPath.size() >= 2 && winPath[1] == ':' ? winPath.substr(2) : winPath;
    for (char c : rest)
        out += c == '\\' ? '/' : c;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

DWORD BuildContext::makeFolder(std::string_view winPath) const
{
    std::string host = hostPath(winPath);
    for (std::size_t pos = prefixDir.size() + 1; pos <= host.size(); ++pos) {
        if (pos != host.size() && host[pos] != '/')
            continue;
        std::string part = host.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) == 0)
            noteAdded(part);
        else if (errno != EEXIST)
            return errnoToWin32(errno);
    }
    return err::SUCCESS;
}

void BuildContext::noteAdded(const std::string& host) const
{
    if (!machine)
        return;
    std::size_t slash = host.rfind('/');
    machine->paths().noteAdded(host.substr(0, slash), host.substr(slash + 1));
}

DWORD BuildContext::writeFile(std::string_view winPath, std::string_view content, std::int64_t mtime) const
{
    std::string host = hostPath(winPath);
    int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errnoToWin32(errno);
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            int e = errno;
            ::close(fd);
            return errnoToWin32(e);
        }
        done += std::size_t(n);
    }
    timespec times[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
    ::futimens(fd, times);
    if (::close(fd) != 0)
        return errnoToWin32(errno);
    noteAdded(host);
    return err::SUCCESS;
}

std::string BuildContext::randomBytes(std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t word = random.next();
        for (std::size_t j = 0; j < 8 && i + j < size; ++j)
            out[i + j] = char(word >> (8 * j));
    }
    return out;
}

RegValue BuildContext::profileRelative(const std::string& winPath) const
{
    const std::string& profile = folders.profile;
    bool below = winPath.size() > profile.size() && winPath.compare(0, profile.size(), profile) == 0
        && winPath[profile.size()] == '\\';
    if (ntFamily() && below)
        return regString("%USERPROFILE%" + winPath.substr(profile.size()), regtype::EXPAND_SZ);
    return regString(winPath);
}

DWORD BuildContext::setAttributes(std::string_view winPath, DWORD attributes) const
{
    return FileSystem(*machine).setAttributes(winPath, attributes);
}

DWORD writePrefixSkeleton(BuildContext& c)
{
    for (const char* dir : {"", "/dosdevices", "/drive_c"}) {
        std::string path = c.prefixDir + dir;
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            return errnoToWin32(errno);
    }
    if (::symlink("../drive_c", (c.prefixDir + "/dosdevices/c:").c_str()) != 0
        || ::symlink("/", (c.prefixDir + "/dosdevices/z:").c_str()) != 0)
        return errnoToWin32(errno);

    auto header = [](std::string_view relativeTo) {
        return "WINE REGISTRY Version 2\n;; All keys relative to " + std::string(relativeTo) + "\n\n#arch=win64\n";
    };
    const std::int64_t now = c.now;
    struct Hive {
        const char* file;
        std::string text;
    };
    for (const Hive& hive : {Hive {"system.reg", header("REGISTRY\\\\Machine")},
                             Hive {"user.reg", header("REGISTRY\\\\User\\\\" + c.userSid)},
                             Hive {"userdef.reg", header("REGISTRY\\\\User\\\\.Default")}}) {
        std::string path = c.prefixDir + "/" + hive.file;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return errnoToWin32(errno);
        bool written = ::write(fd, hive.text.data(), hive.text.size()) == ssize_t(hive.text.size());
        timespec times[2] = {{time_t(now), 0}, {time_t(now), 0}};
        ::futimens(fd, times);
        if (::close(fd) != 0 || !written)
            return err::WRITE_FAULT;
    }
    return Machine::open(c.prefixDir, c.machine);
}

DWORD writeProfileFolders(BuildContext& c)
{
    const MachineFolders& f = c.folders;
    for (int i = 0; i < 4; ++i)
        c.cacheSubfolders.push_back(c.random.name(8));
    for (int day = 0; day < c.recipe.historyDays; ++day) {
        std::int64_t start = c.now - std::int64_t(day) * 86400;
        c.historyFolders.push_back("MSHist01" + dayStamp(start) + dayStamp(start + 86400));
    }

    std::vector<std::string> folders = {
        f.windowsTemp, f.windows + (c.ntFamily() ? "\\system32" : "\\SYSTEM"), f.windows + "\\Fonts", f.klenzorProgram,
        f.programFiles + "\\Internet Explorer", f.programFiles + "\\Common Files",
        f.desktop, f.pictures, f.localAppData, f.favorites, f.cookies, f.recent, f.sendTo,
        f.startup, f.templates, f.netHood, f.printHood, f.temp, f.userData,
        f.allUsers + "\\Desktop", f.allUsers + "\\Documents", f.allUsers + "\\Application Data",
        f.allUsers + "\\Favorites", f.allUsers + "\\Templates", f.allUsers + "\\Start Menu\\Programs\\Startup",
    };
    if (c.ntFamily())
        folders.push_back(f.profiles + "\\Default User\\Desktop");
    for (const std::string& sub : c.cacheSubfolders)
        folders.push_back(f.contentIE5 + "\\" + sub);
    for (const std::string& day : c.historyFolders)
        folders.push_back(f.historyIE5 + "\\" + day);
    for (const std::string& folder : folders)
        if (DWORD e = c.makeFolder(folder))
            return e;

    // Explorer's folder descriptions, hidden and system as Windows leaves them.
    const std::string desktopIni = "[.ShellClassInfo]\r\nUICLSID={7BD29E00-76C1-11CF-9DD0-00A0C9034933}\r\n";
    for (const std::string& folder : {f.cache, f.contentIE5, f.history, f.historyIE5}) {
        std::string file = folder + "\\desktop.ini";
        if (DWORD e = c.writeFile(file, desktopIni, c.now - 86400 * 30))
            return e;
        if (DWORD e = c.setAttributes(file, attr::HIDDEN | attr::SYSTEM))
            return e;
    }
    return err::SUCCESS;
}

DWORD buildMachine(const std::string& prefixDir, const MachineSpec& recipe)
{
    if (prefixDir.empty() || recipe.userName.empty() || recipe.userName.find_first_of("\\/:*?\"<>|") != std::string::npos)
        return err::INVALID_PARAMETER;
    struct stat st {};
    if (::lstat(prefixDir.c_str(), &st) == 0 && !(S_ISDIR(st.st_mode) && isEmptyDirectory(prefixDir)))
        return err::ALREADY_EXISTS;

    BuildContext context(recipe.seed);
    context.prefixDir = prefixDir;
    while (context.prefixDir.size() > 1 && context.prefixDir.back() == '/')
        context.prefixDir.pop_back();
    context.recipe = recipe;
    context.now = recipe.now ? recipe.now : startOfToday();
    context.userSid = kSampleUserSid;
    context.folders = recipe.layout == MachineLayout::Windows98 ? win98Folders(recipe.userName) : xpFolders(recipe.userName);

    using Step = DWORD (*)(BuildContext&);
    // Content that needs the folders and the registry comes after them.
    constexpr Step kSteps[] = {writePrefixSkeleton, writeProfileFolders, writeMachineRegistry, writeSampleFiles,
                               writeRecentLinks, writeUrlCache, writeApplicationTraces};
    for (Step step : kSteps)
        if (DWORD e = step(context))
            return e;
    return err::SUCCESS;
}

DWORD removeMachine(const std::string& prefixDir)
{
    struct stat st {};
    if (::lstat(prefixDir.c_str(), &st) != 0)
        return errno == ENOENT ? err::SUCCESS : errnoToWin32(errno);
    if (!S_ISDIR(st.st_mode))
        return err::BAD_FORMAT;
    struct stat reg {};
    bool isPrefix = isDirectory(prefixDir + "/dosdevices") && ::lstat((prefixDir + "/system.reg").c_str(), &reg) == 0
        && S_ISREG(reg.st_mode);
    if (!isPrefix && !isEmptyDirectory(prefixDir))
        return err::BAD_FORMAT;
    int fd = ::open(prefixDir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0)
        return errnoToWin32(errno);
    if (int e = removeContents(fd))
        return errnoToWin32(e);
    if (::rmdir(prefixDir.c_str()) != 0)
        return errnoToWin32(errno);
    return err::SUCCESS;
}

} // namespace kp::sample
