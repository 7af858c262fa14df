// The files a used machine holds: temp files of several sizes (some
// read-only or hidden, some in subfolders), documents, UserData stores, and
// recent-document links to the documents.

#include "sample/builder/build_context.h"
#include "sample/builder/pe_image.h"
#include "platform/system/shell_link.h"

#include <array>
#include <cstdio>
#include <sys/stat.h>

namespace kp::sample {

using namespace kp::win;

namespace {

constexpr std::array<std::size_t, 7> kSizes = {0, 17, 512, 4096, 20000, 65536, 150000};

std::string hex4(std::uint64_t v)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", unsigned(v & 0xFFFF));
    return buffer;
}

std::string stripFolder(const std::string& winPath)
{
    return winPath.substr(winPath.rfind('\\') + 1);
}

// One day before `now` per `daysBack`, at a time of day that the generator picks.
std::int64_t pastTime(BuildContext& c, std::uint64_t maxDaysBack)
{
    return c.now - std::int64_t(c.random.between(0, maxDaysBack)) * 86400 - std::int64_t(c.random.between(60, 86000));
}

DWORD writeTempFolder(BuildContext& c, const std::string& folder, std::string_view setupName)
{
    for (int i = 0; i < c.recipe.tempFiles; ++i) {
        std::string name;
        switch (i % 4) {
        case 0:
            name = "~DF" + hex4(c.random.next()) + ".tmp";
            break;
        case 1:
            name = "tmp" + hex4(c.random.next()) + ".tmp";
            break;
        case 2:
            name = std::string(setupName) + " Log " + std::to_string(i) + ".txt";
            break;
        default:
            name = "Cab" + hex4(c.random.next()) + ".cab";
            break;
        }
        std::size_t size = kSizes[c.random.between(0, kSizes.size() - 1)];
        if (DWORD e = c.writeFile(folder + "\\" + name, c.randomBytes(size), pastTime(c, 60)))
            return e;
    }
    const std::string sub = folder + "\\IXP" + hex4(c.random.next()).substr(1) + ".TMP";
    const std::string deep = sub + "\\Setup Files";
    for (const std::string& dir : {sub, deep})
        if (DWORD e = c.makeFolder(dir))
            return e;
    for (const auto& [path, size] : {std::pair {sub + "\\setup.inf", std::size_t(900)},
                                     std::pair {deep + "\\data1.cab", std::size_t(40000)},
                                     std::pair {deep + "\\readme.txt", std::size_t(2000)}})
        if (DWORD e = c.writeFile(path, c.randomBytes(size), pastTime(c, 30)))
            return e;

    const std::string readOnly = folder + "\\locked " + hex4(c.random.next()) + ".tmp";
    const std::string hidden = folder + "\\~hidden" + hex4(c.random.next()) + ".tmp";
    for (const std::string& path : {readOnly, hidden})
        if (DWORD e = c.writeFile(path, c.randomBytes(1024), pastTime(c, 10)))
            return e;
    if (DWORD e = c.setAttributes(readOnly, attr::READONLY))
        return e;
    return c.setAttributes(hidden, attr::HIDDEN);
}

DWORD writeDocuments(BuildContext& c)
{
    const MachineFolders& f = c.folders;
    const char* kinds[][2] = {{"Report", ".doc"}, {"Notes", ".txt"}, {"Budget", ".xls"}, {"Letter", ".doc"}};
    for (int i = 0; i < c.recipe.documents; ++i) {
        const auto& kind = kinds[i % 4];
        std::string path = f.personal + "\\" + kind[0] + " " + std::to_string(i + 1) + kind[1];
        std::size_t size = kSizes[c.random.between(2, kSizes.size() - 1)];
        if (DWORD e = c.writeFile(path, c.randomBytes(size), pastTime(c, 90)))
            return e;
        c.documents.push_back(path);
    }
    const std::string picture = f.pictures + "\\Holiday.jpg";
    if (DWORD e = c.writeFile(picture, c.randomBytes(30000), pastTime(c, 90)))
        return e;
    c.documents.push_back(picture);
    if (!c.documents.empty())
        if (DWORD e = c.setAttributes(c.documents.front(), attr::READONLY))
            return e;
    const std::string desktopIni = f.personal + "\\desktop.ini";
    if (DWORD e = c.writeFile(desktopIni, "[.ShellClassInfo]\r\nIconIndex=-235\r\n", c.now - 86400 * 200))
        return e;
    return c.setAttributes(desktopIni, attr::HIDDEN | attr::SYSTEM);
}

DWORD writeUserData(BuildContext& c)
{
    std::string store;
    for (int i = 0; i < c.recipe.userDataFiles; ++i) {
        if (i % 2 == 0) {
            store = c.folders.userData + "\\" + c.random.name(8);
            if (DWORD e = c.makeFolder(store))
                return e;
        }
        std::string xml = "<ROOTSTUB><item name=\"pref" + std::to_string(i) + "\" value=\"" + c.random.name(12)
            + "\"/></ROOTSTUB>";
        if (DWORD e = c.writeFile(store + "\\site" + std::to_string(i) + "[1].xml", xml, pastTime(c, 40)))
            return e;
    }
    return err::SUCCESS;
}

// The target's attributes, size and last-write time as a link records them.
void describeTarget(const BuildContext& c, const std::string& winPath, ShellLink& link)
{
    struct stat st {};
    if (::stat(c.hostPath(winPath).c_str(), &st) != 0)
        return;
    bool folder = S_ISDIR(st.st_mode);
    link.targetAttributes = folder ? attr::DIRECTORY : attr::ARCHIVE;
    link.targetSize = folder ? 0 : std::uint32_t(st.st_size);
    // A folder's own time stamp is the moment of the build; the machine's "now" keeps links reproducible.
    link.writeTime = fileTimeFromUnix(folder ? c.now : st.st_mtime);
}

DWORD writeLink(BuildContext& c, const std::string& linkPath, const std::string& target, std::int64_t when)
{
    ShellLink link;
    link.targetPath = target;
    link.workingDir = target.substr(0, target.rfind('\\'));
    link.volumeSerial = std::uint32_t(c.random.next());
    describeTarget(c, target, link);
    link.creationTime = link.writeTime;
    link.accessTime = fileTimeFromUnix(when);
    if (target.starts_with(c.folders.profile + "\\"))
        link.relativePath = "..\\" + target.substr(c.folders.profile.size() + 1);
    return c.writeFile(linkPath, shellLinkBytes(link), when);
}

// The browser's shell document library with Internet Explorer 6's version:
// SP2's on Windows XP, SP1's on Windows 98.
DWORD writeBrowserLibrary(BuildContext& c)
{
    ImageVersion version;
    version.major = 6;
    version.minor = 0;
    version.build = c.ntFamily() ? 2900 : 2800;
    version.revision = c.ntFamily() ? 2180 : 1106;
    version.fileVersionText = c.ntFamily() ? "6.00.2900.2180 (xpsp_sp2_rtm.040803-2158)" : "6.00.2800.1106";
    version.description = "Shell Doc Object and Control Library";
    version.originalFilename = "SHDOCVW.DLL";
    const std::string system = c.folders.windows + (c.ntFamily() ? "\\system32" : "\\SYSTEM");
    return c.writeFile(system + "\\shdocvw.dll", makeVersionedDll(version), c.now - 86400 * 400);
}

// The shell library, with the Recycle Bin functions of Windows 98 and later.
DWORD writeShellLibrary(BuildContext& c)
{
    ImageVersion version;
    version.major = 6;
    version.minor = 0;
    version.build = c.ntFamily() ? 2900 : 2800;
    version.revision = c.ntFamily() ? 2180 : 1106;
    version.fileVersionText = c.ntFamily() ? "6.00.2900.2180 (xpsp_sp2_rtm.040803-2158)" : "4.72.3110.1";
    version.description = "Windows Shell Common Dll";
    version.originalFilename = "SHELL32.DLL";
    version.exports = {"SHEmptyRecycleBinA", "SHEmptyRecycleBinW", "SHGetFolderPathA", "SHQueryRecycleBinA"};
    const std::string system = c.folders.windows + (c.ntFamily() ? "\\system32" : "\\SYSTEM");
    return c.writeFile(system + "\\shell32.dll", makeVersionedDll(version), c.now - 86400 * 400);
}

} // namespace

DWORD writeSampleFiles(BuildContext& c)
{
    if (DWORD e = writeTempFolder(c, c.folders.temp, "Setup"))
        return e;
    if (c.folders.windowsTemp != c.folders.temp)
        if (DWORD e = writeTempFolder(c, c.folders.windowsTemp, "Install"))
            return e;
    if (DWORD e = writeDocuments(c))
        return e;
    if (DWORD e = writeUserData(c))
        return e;
    if (DWORD e = writeBrowserLibrary(c))
        return e;
    return writeShellLibrary(c);
}

DWORD writeRecentLinks(BuildContext& c)
{
    const MachineFolders& f = c.folders;
    for (const std::string& document : c.documents)
        if (DWORD e = writeLink(c, f.recent + "\\" + stripFolder(document) + ".lnk", document, pastTime(c, 20)))
            return e;
    // A link whose document is gone, a folder link, and a file that is no link.
    const std::string gone = f.personal + "\\Old Letter.doc";
    if (DWORD e = writeLink(c, f.recent + "\\Old Letter.doc.lnk", gone, pastTime(c, 60)))
        return e;
    if (DWORD e = writeLink(c, f.recent + "\\My Documents.lnk", f.personal, pastTime(c, 5)))
        return e;
    const std::string desktopIni = f.recent + "\\desktop.ini";
    if (DWORD e = c.writeFile(desktopIni, "[.ShellClassInfo]\r\nCLSID={0AFACED1-E828-11D1-9187-B532F1E9575D}\r\n",
                              c.now - 86400 * 200))
        return e;
    if (DWORD e = c.setAttributes(desktopIni, attr::HIDDEN | attr::SYSTEM))
        return e;
    return writeLink(c, f.allUsers + "\\Desktop\\Klenzor Pro.lnk", f.klenzorProgram + "\\KlenPro.exe", c.now - 86400 * 100);
}

} // namespace kp::sample
