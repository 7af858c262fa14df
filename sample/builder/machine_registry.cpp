// The registry of the sample machine: what Windows XP SP2 with Internet
// Explorer 6 keeps about the folders, the user and the browser's traces.

#include "sample/builder/build_context.h"

#include "platform/registry/registry.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace kp::sample {

using namespace kp::win;

namespace {

constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* kInternetSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kAutoCompleteType = "e161255a-37c3-11d2-bcaa-00c04fd929db";
constexpr const char* kMsnSearchType = "f09b5ab7-7aae-4c90-a638-5f11a923bc76";

constexpr std::array<const char*, 10> kSites = {"microsoft.com", "example.com", "news-site.net", "shop.example.org",
                                                "mail.example.net", "video-site.com", "bank.example.com",
                                                "search.example.org", "forum.example.net", "weather.example.com"};

// Writes the keys and values of one hive part; the first failure sticks.
class Writer {
public:
    explicit Writer(Registry& registry)
        : registry_(registry)
    {
    }

    Writer& key(RegRoot root, const std::string& path)
    {
        key_ = RegKey();
        keep(registry_.createKey(root, path, key_));
        return *this;
    }
    Writer& sz(std::string_view name, std::string_view text) { return value(name, regString(text)); }
    Writer& expand(std::string_view name, std::string_view text) { return value(name, regString(text, regtype::EXPAND_SZ)); }
    Writer& dword(std::string_view name, DWORD number) { return value(name, regDword(number)); }
    Writer& binary(std::string_view name, const std::string& bytes)
    {
        RegValue v;
        v.type = regtype::BINARY;
        v.data.assign(bytes.begin(), bytes.end());
        return value(name, v);
    }
    Writer& value(std::string_view name, const RegValue& v)
    {
        if (key_.isOpen())
            keep(registry_.setValue(key_, name, v));
        return *this;
    }
    DWORD result() const { return error_; }

private:
    void keep(DWORD e)
    {
        if (e && !error_)
            error_ = e;
    }

    Registry& registry_;
    RegKey key_;
    DWORD error_ = err::SUCCESS;
};

std::string lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower((unsigned char)c));
    return text;
}

// UTF-16LE strings, each ended by a NUL, and a final NUL.
std::string utf16List(std::initializer_list<std::string_view> items)
{
    std::string out;
    for (std::string_view item : items) {
        for (char c : item)
            out += {c, '\0'};
        out += {'\0', '\0'};
    }
    return out + std::string(2, '\0');
}

void writeShellFolders(Writer& w, const BuildContext& c)
{
    const MachineFolders& f = c.folders;
    const std::pair<const char*, std::string> user[] = {
        {"AppData", f.appData}, {"Cache", f.cache}, {"Cookies", f.cookies}, {"Desktop", f.desktop},
        {"Favorites", f.favorites}, {"History", f.history}, {"Local AppData", f.localAppData},
        {"My Pictures", f.pictures}, {"NetHood", f.netHood}, {"Personal", f.personal}, {"PrintHood", f.printHood},
        {"Programs", f.programs}, {"Recent", f.recent}, {"SendTo", f.sendTo}, {"Start Menu", f.startMenu},
        {"Startup", f.startup}, {"Templates", f.templates},
    };
    w.key(RegRoot::CurrentUser, std::string(kExplorer) + "\\User Shell Folders");
    for (const auto& [name, path] : user)
        w.value(name, c.profileRelative(path));
    w.key(RegRoot::CurrentUser, std::string(kExplorer) + "\\Shell Folders");
    for (const auto& [name, path] : user)
        w.sz(name, path);
    w.sz("Fonts", f.windows + "\\Fonts");
    w.key(RegRoot::CurrentUser, kExplorer).sz("Logon User Name", c.recipe.userName);

    const std::string& all = f.allUsers;
    const std::pair<const char*, std::string> common[] = {
        {"Common AppData", "\\Application Data"}, {"Common Desktop", "\\Desktop"},
        {"Common Documents", "\\Documents"}, {"Common Favorites", "\\Favorites"},
        {"Common Programs", "\\Start Menu\\Programs"}, {"Common Start Menu", "\\Start Menu"},
        {"Common Startup", "\\Start Menu\\Programs\\Startup"}, {"Common Templates", "\\Templates"},
    };
    w.key(RegRoot::LocalMachine, std::string(kExplorer) + "\\User Shell Folders");
    for (const auto& [name, tail] : common) {
        if (c.ntFamily())
            w.expand(name, "%ALLUSERSPROFILE%" + tail);
        else
            w.sz(name, all + tail);
    }
    w.key(RegRoot::LocalMachine, std::string(kExplorer) + "\\Shell Folders");
    for (const auto& [name, tail] : common)
        w.sz(name, all + tail);
}

void writeNtSystem(Writer& w, const BuildContext& c)
{
    const std::string ntVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    w.key(RegRoot::LocalMachine, ntVersion)
        .sz("CurrentVersion", "5.1")
        .sz("CurrentBuildNumber", "2600")
        .sz("CSDVersion", "Service Pack 2")
        .sz("CurrentType", "Uniprocessor Free")
        .sz("ProductName", "Microsoft Windows XP")
        .sz("RegisteredOwner", c.recipe.userName)
        .sz("RegisteredOrganization", "")
        .sz("SystemRoot", c.folders.windows);
    w.key(RegRoot::LocalMachine, ntVersion + "\\ProfileList")
        .expand("ProfilesDirectory", "%SystemDrive%\\Documents and Settings")
        .sz("AllUsersProfile", "All Users")
        .sz("DefaultUserProfile", "Default User");
    w.key(RegRoot::LocalMachine, ntVersion + "\\ProfileList\\S-1-5-18")
        .expand("ProfileImagePath", "%SystemRoot%\\system32\\config\\systemprofile")
        .dword("Flags", 12);
    w.key(RegRoot::LocalMachine, ntVersion + "\\ProfileList\\" + c.userSid)
        .expand("ProfileImagePath", "%SystemDrive%\\Documents and Settings\\" + c.recipe.userName)
        .dword("Flags", 0)
        .dword("State", 0);
    w.key(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion")
        .sz("ProductId", "55274-640-0000000-23456")
        .expand("DevicePath", "%SystemRoot%\\inf")
        .expand("MediaPath", "%SystemRoot%\\Media");

    w.key(RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Environment")
        .expand("ComSpec", "%SystemRoot%\\system32\\cmd.exe")
        .sz("NUMBER_OF_PROCESSORS", "1")
        .sz("OS", "Windows_NT")
        .expand("Path", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem")
        .sz("PATHEXT", ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH")
        .sz("PROCESSOR_ARCHITECTURE", "x86")
        .expand("TEMP", "%SystemRoot%\\TEMP")
        .expand("TMP", "%SystemRoot%\\TEMP")
        .expand("windir", "%SystemRoot%");

    w.key(RegRoot::CurrentUser, "Environment")
        .value("TEMP", c.profileRelative(c.folders.temp))
        .value("TMP", c.profileRelative(c.folders.temp));
    w.key(RegRoot::CurrentUser, "Volatile Environment")
        .sz("APPDATA", c.folders.appData)
        .sz("HOMEDRIVE", "C:")
        .sz("HOMEPATH", c.folders.profile.substr(2))
        .sz("LOGONSERVER", "\\\\" + c.recipe.computerName);
}

// Windows 98 SE keeps its version and profiles under the Windows key; its
// environment comes from AUTOEXEC.BAT, kept where Wine reads it.
void write98System(Writer& w, const BuildContext& c)
{
    const std::string version = "Software\\Microsoft\\Windows\\CurrentVersion";
    w.key(RegRoot::LocalMachine, version)
        .sz("VersionNumber", "4.10.2222")
        .sz("SubVersionNumber", " A ")
        .sz("Version", "Windows 98")
        .sz("ProductName", "Microsoft Windows 98")
        .sz("ProductId", "55274-OEM-0011903-00107")
        .sz("RegisteredOwner", c.recipe.userName)
        .sz("SystemRoot", c.folders.windows);
    w.key(RegRoot::LocalMachine, version + "\\ProfileList\\" + c.recipe.userName)
        .sz("ProfileImagePath", c.folders.profile);
    w.key(RegRoot::LocalMachine, "Network\\Logon").sz("username", c.recipe.userName).dword("UserProfiles", 1);
    w.key(RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Environment")
        .sz("COMSPEC", c.folders.windows + "\\COMMAND.COM")
        .sz("PATH", c.folders.windows + ";" + c.folders.windows + "\\COMMAND")
        .sz("PROMPT", "$p$g")
        .sz("TEMP", c.folders.windowsTemp)
        .sz("TMP", c.folders.windowsTemp)
        .sz("windir", c.folders.windows);
}

void writeSystem(Writer& w, const BuildContext& c)
{
    if (c.ntFamily())
        writeNtSystem(w, c);
    else
        write98System(w, c);
    w.key(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion")
        .sz("ProgramFilesDir", c.folders.programFiles)
        .sz("CommonFilesDir", c.folders.programFiles + "\\Common Files");
    w.key(RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName")
        .sz("ComputerName", c.recipe.computerName);
    w.key(RegRoot::LocalMachine, "Software\\Wine\\Drives").sz("c:", "hd");
    w.key(RegRoot::Users, ".Default\\Control Panel\\International").sz("Locale", "00000409").sz("sLanguage", "ENU");
}

void writeProgramsAndRun(Writer& w, const BuildContext& c)
{
    const std::string exe = c.folders.klenzorProgram + "\\KlenPro.exe";
    w.key(RegRoot::LocalMachine, std::string(kUninstall) + "\\Klenzor Pro - #.##_is1")
        .sz("Inno Setup: App Path", c.folders.klenzorProgram)
        .sz("Inno Setup: Setup Version", "5.1.6")
        .sz("DisplayName", "Klenzor Pro")
        .sz("DisplayVersion", "2.30")
        .sz("UninstallString", "\"" + c.folders.klenzorProgram + "\\unins000.exe\"")
        .sz("Publisher", "Klenzor");
    w.key(RegRoot::LocalMachine, std::string(kUninstall) + "\\Klenzor Pro - 2.01_is1")
        .sz("Inno Setup: App Path", c.folders.klenzorProgram)
        .sz("DisplayName", "Klenzor Pro 2.01");
    w.key(RegRoot::LocalMachine, std::string(kUninstall) + "\\Klenzor Pro - 1.90_is1")
        .sz("Inno Setup: App Path", "C:\\Program Files\\Klenzor Old\\")
        .sz("DisplayName", "Klenzor Pro 1.90");
    w.key(RegRoot::LocalMachine, std::string(kUninstall) + "\\Internet Explorer Q867282")
        .sz("DisplayName", "Security Update for Internet Explorer 6");

    w.key(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
        .sz("SoundMan", "SOUNDMAN.EXE")
        .sz("UpdateHelper", "\"" + c.folders.programFiles + "\\Common Files\\UpdateHelper\\uhelper.exe\"");
    w.key(RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
        .sz("Messenger", "\"" + c.folders.programFiles + "\\Messenger\\msmsgs.exe\" /background")
        .sz("Klenzor Pro", "\"" + exe + "\" BOOT");
}

void writeBrowser(Writer& w, BuildContext& c)
{
    const MachineSpec& s = c.recipe;
    w.key(RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer")
        .sz("Version", "6.0.2900.2180")
        .sz("Build", "62900.2180")
        .sz("W2kVersion", "6.0.2900.2180");
    w.key(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main")
        .sz("Start Page", "http://www.microsoft.com/isapi/redir.dll?prd=ie&pver=6&ar=msnhome");

    w.key(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs");
    for (int i = 0; i < s.typedUrls; ++i)
        w.sz("url" + std::to_string(i + 1), "http://www." + std::string(kSites[i % kSites.size()]) + "/page"
                                                 + std::to_string(c.random.between(1, 999)) + ".html");
    w.key(RegRoot::CurrentUser, "Software\\Microsoft\\MSN\\TypedURLs")
        .sz("url1", "http://www.msn.com/")
        .sz("url2", "http://search.msn.com/results.aspx?q=weather");
    const std::string msnUser = "Software\\Microsoft\\MSN6\\Users\\" + lower(s.userName) + "@msn.com";
    w.key(RegRoot::CurrentUser, msnUser + "\\TypedURLs")
        .sz("MRUList", "cba")
        .sz("a", "http://www.msn.com/")
        .sz("b", "http://money.msn.com/")
        .sz("c", "http://www.example.com/news");
    w.key(RegRoot::CurrentUser, msnUser + "\\Settings").dword("ShowToolbar", 1);

    const std::string search = "Software\\Microsoft\\Internet Explorer\\Search\\SearchProperties";
    w.key(RegRoot::CurrentUser, search + "\\Web").binary("PreviousSearches", utf16List({"weather", "cheap flights"}));
    w.key(RegRoot::CurrentUser, search + "\\Files").binary("PreviousSearches", utf16List({"*.doc", "report"}));
    w.key(RegRoot::CurrentUser, search + "\\People").dword("Flags", 0);
}

void writeProtectedStorage(Writer& w, BuildContext& c)
{
    const MachineSpec& s = c.recipe;
    const char* fields[] = {"q", "email", "name", "zip", "search", "login", "address", "phone"};
    for (const std::string& identity : {c.userSid, std::string("S-1-5-21-0-0-0-1001")}) {
        const std::string data = "Software\\Microsoft\\Protected Storage System Provider\\" + identity + "\\Data";
        w.key(RegRoot::CurrentUser, data + "\\" + kAutoCompleteType).sz("Display String", "Internet Explorer");
        const std::string items = data + "\\" + kAutoCompleteType + "\\" + kAutoCompleteType;
        for (int i = 0; i < s.formItems; ++i)
            w.key(RegRoot::CurrentUser, items + "\\" + fields[i % 8] + (i >= 8 ? std::to_string(i / 8) : ""))
                .dword("Behavior", 0)
                .binary("Item Data", c.randomBytes(40));
        for (int i = 0; i < s.passwordItems; ++i)
            w.key(RegRoot::CurrentUser, items + "\\http://" + kSites[i % kSites.size()] + "/login" + std::to_string(i)
                                           + ".aspx:StringData")
                .dword("Behavior", 0)
                .binary("Item Data", c.randomBytes(64));
        w.key(RegRoot::CurrentUser, data + "\\" + kMsnSearchType + "\\" + kMsnSearchType + "\\searches")
            .binary("Item Data", c.randomBytes(48));
    }
}

void writeZonesAndCookies(Writer& w, BuildContext& c)
{
    const MachineSpec& s = c.recipe;
    const std::string base = kInternetSettings;
    const char* zoneNames[] = {"My Computer", "Local intranet", "Trusted sites", "Internet", "Restricted sites"};
    const DWORD levels[] = {0, 0x10500, 0x10000, 0x11500, 0x12000};
    for (int zone = 0; zone < 5; ++zone)
        w.key(RegRoot::CurrentUser, base + "\\Zones\\" + std::to_string(zone))
            .sz("DisplayName", zoneNames[zone])
            .dword("CurrentLevel", levels[zone])
            .dword("Flags", zone == 0 ? 0x21 : 0x43);

    const char* subdomains[] = {"www", "mail", "ads"};
    for (int i = 0; i < s.zoneSites; ++i) {
        const std::string domain = base + "\\ZoneMap\\Domains\\" + kSites[i % kSites.size()]
            + (i >= int(kSites.size()) ? std::to_string(i) : "");
        w.key(RegRoot::CurrentUser, domain).dword(i % 2 ? "*" : "http", DWORD(i % 2 ? 2 : 4));
        for (int j = 0; j < 1 + i % 3; ++j)
            w.key(RegRoot::CurrentUser, domain + "\\" + subdomains[j]).dword("http", j == 2 ? 4 : 2).dword("https", 2);
    }
    w.key(RegRoot::CurrentUser, base + "\\ZoneMap\\Ranges\\Range1").sz(":Range", "192.168.1.*").dword("*", 1);
    w.key(RegRoot::CurrentUser, base + "\\ZoneMap\\Ranges\\Range2").sz(":Range", "10.0.0.5").dword("http", 2);

    for (int i = 0; i < s.cookieDecisions; ++i)
        w.key(RegRoot::CurrentUser, base + "\\P3P\\History\\" + kSites[(i + 3) % kSites.size()]
                                        + (i >= int(kSites.size()) ? std::to_string(i) : ""))
            .dword("", i % 2 ? 5 : 1);
}

void writeCacheContainers(Writer& w, const BuildContext& c)
{
    const std::string cache = std::string(kInternetSettings) + "\\5.0\\Cache";
    const MachineFolders& f = c.folders;
    w.key(RegRoot::CurrentUser, cache + "\\Content").sz("CachePrefix", "").dword("CacheLimit", 0x7d00);
    w.key(RegRoot::CurrentUser, cache + "\\Cookies").sz("CachePrefix", "Cookie:").dword("CacheLimit", 0x2000);
    w.key(RegRoot::CurrentUser, cache + "\\History").sz("CachePrefix", "Visited:").dword("CacheLimit", 0x2000);
    w.key(RegRoot::CurrentUser, cache + "\\Extensible Cache\\UserData")
        .value("CachePath", c.profileRelative(f.userData))
        .sz("CachePrefix", "userdata:")
        .dword("CacheLimit", 0x400)
        .dword("CacheOptions", 0x300)
        .dword("CacheRepair", 0);
    for (const std::string& day : c.historyFolders)
        w.key(RegRoot::CurrentUser, cache + "\\Extensible Cache\\" + day)
            .value("CachePath", c.profileRelative(f.historyIE5 + "\\" + day))
            .sz("CachePrefix", std::string(":").append(day, 8).append(": "))
            .dword("CacheLimit", 0x2000)
            .dword("CacheOptions", 0xb)
            .dword("CacheRepair", 0);
}

} // namespace

DWORD writeMachineRegistry(BuildContext& c)
{
    Registry& registry = c.machine->registry();
    Writer w(registry);
    registry.beginBatch();
    writeSystem(w, c);
    writeShellFolders(w, c);
    writeProgramsAndRun(w, c);
    writeBrowser(w, c);
    writeProtectedStorage(w, c);
    writeZonesAndCookies(w, c);
    writeCacheContainers(w, c);
    DWORD saved = registry.endBatch();
    return w.result() ? w.result() : saved;
}

} // namespace kp::sample
