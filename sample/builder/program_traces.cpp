// The registry keys and files are those the programs' public documentation
// and source name; the data is made up.

#include "sample/builder/program_traces.h"

#include "sample/builder/build_context.h"

#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

namespace kp::sample {

using namespace kp::win;

namespace {

constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* kApplets = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets";

RegValue binary(const std::string& bytes)
{
    RegValue v;
    v.type = regtype::BINARY;
    v.data.assign(bytes.begin(), bytes.end());
    return v;
}

// UTF-16LE texts, each ended by a NUL (ASCII only).
std::string utf16(std::initializer_list<std::string_view> texts)
{
    std::string out;
    for (std::string_view text : texts) {
        for (char c : text)
            out += {c, '\0'};
        out += {'\0', '\0'};
    }
    return out;
}

// An MRUListEx: little-endian item numbers, ended by 0xFFFFFFFF.
std::string mruListEx(std::initializer_list<std::uint32_t> order)
{
    std::string out;
    for (std::uint32_t n : order)
        for (int i = 0; i < 4; ++i)
            out += char(n >> (8 * i));
    return out + std::string(4, '\xff');
}

class TraceWriter {
public:
    explicit TraceWriter(Registry& registry)
        : registry_(registry)
    {
    }

    TraceWriter& key(const std::string& path)
    {
        key_ = RegKey();
        keep(registry_.createKey(RegRoot::CurrentUser, path, key_));
        return *this;
    }
    TraceWriter& value(std::string_view name, const RegValue& v)
    {
        if (key_.isOpen())
            keep(registry_.setValue(key_, name, v));
        return *this;
    }
    TraceWriter& sz(std::string_view name, std::string_view text) { return value(name, regString(text)); }
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

void writeRegistryTraces(TraceWriter& w, const std::string& docs)
{
    const std::string explorer = kExplorer;
    const std::string applets = kApplets;
    w.key(explorer + "\\RunMRU").sz("a", "notepad\\1").sz("b", "regedit\\1").sz("c", "cmd\\1").sz("MRUList", "cba");

    w.key(explorer + "\\RecentDocs")
        .value("0", binary(utf16({"letter.txt"})))
        .value("1", binary(utf16({"budget.xls"})))
        .value("MRUListEx", binary(mruListEx({1, 0})));
    w.key(explorer + "\\RecentDocs\\.txt").value("0", binary(utf16({"letter.txt"}))).value("MRUListEx", binary(mruListEx({0})));
    w.key(explorer + "\\RecentDocs\\.xls").value("0", binary(utf16({"budget.xls"}))).value("MRUListEx", binary(mruListEx({0})));

    const std::string comDlg = explorer + "\\ComDlg32";
    w.key(comDlg + "\\OpenSaveMRU\\txt").sz("a", docs + "\\letter.txt").sz("MRUList", "a");
    w.key(comDlg + "\\OpenSaveMRU\\*").sz("a", docs + "\\letter.txt").sz("b", docs + "\\budget.xls").sz("MRUList", "ba");
    w.key(comDlg + "\\LastVisitedMRU").value("a", binary(utf16({"notepad.exe", docs}))).sz("MRUList", "a");

    w.key("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList")
        .sz("File0", docs + "\\holiday.avi")
        .sz("File1", docs + "\\song.mp3");
    w.key("Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList").sz("URL0", "http://radio.example.com/live.asx");

    w.key(applets + "\\Paint\\Recent File List")
        .sz("File1", docs + "\\My Pictures\\beach.bmp")
        .sz("File2", docs + "\\drawing.bmp");

    w.key(applets + "\\Wordpad\\Recent file list").sz("File1", docs + "\\letter.rtf").sz("File2", docs + "\\notes.txt");
    w.key(applets + "\\Wordpad\\Options").value("Maximized", regDword(0));

    w.key("Software\\7-Zip\\Compression")
        .value("ArcHistory", binary(utf16({docs + "\\photos.7z", docs + "\\backup.zip"})))
        .value("Level", regDword(5));
    w.key("Software\\7-Zip\\Extraction").value("PathHistory", binary(utf16({docs + "\\photos"})));
    w.key("Software\\7-Zip\\FM")
        .value("FolderHistory", binary(utf16({docs, docs + "\\photos"})))
        .value("CopyHistory", binary(utf16({docs + "\\backup"})))
        .sz("PanelPath0", docs + "\\photos");

    w.key(applets + "\\Regedit").sz("LastKey", "HKEY_CURRENT_USER\\Software\\7-Zip\\FM");
    w.key(applets + "\\Regedit\\Favorites").sz("Wine", "HKEY_CURRENT_USER\\Software\\Wine");
}

std::string notepadPlusPlusConfig(const std::string& docs)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
           "<NotepadPlus>\r\n"
           "    <FindHistory nbMaxFindHistoryPath=\"10\" nbMaxFindHistoryFilter=\"10\" />\r\n"
           "    <History nbMaxFile=\"10\" inSubMenu=\"no\" customLength=\"-1\">\r\n"
           "        <File filename=\""
        + docs + "\\letter.txt\" />\r\n"
                 "        <File filename=\""
        + docs + "\\notes.txt\" />\r\n"
                 "    </History>\r\n"
                 "    <GUIConfigs>\r\n"
                 "        <GUIConfig name=\"ToolBar\" visible=\"yes\">standard</GUIConfig>\r\n"
                 "    </GUIConfigs>\r\n"
                 "</NotepadPlus>\r\n";
}

} // namespace

DWORD writeProgramTraces(Machine& machine, const std::string& appData, const std::string& documents)
{
    Registry& registry = machine.registry();
    registry.beginBatch();
    TraceWriter writer(registry);
    writeRegistryTraces(writer, documents);
    const DWORD saved = registry.endBatch();
    if (writer.result())
        return writer.result();
    if (saved)
        return saved;

    const std::string folder = appData + "\\Notepad++";
    if (DWORD e = FileSystem(machine).createDirectory(folder); e && e != err::ALREADY_EXISTS)
        return e;
    return writeTextFile(machine, folder + "\\config.xml", notepadPlusPlusConfig(documents));
}

DWORD writeApplicationTraces(BuildContext& context)
{
    if (DWORD e = writeProgramTraces(*context.machine, context.folders.appData, context.folders.personal))
        return e;
    // The machine's own time, so that the same recipe gives the same files.
    const std::string config = context.hostPath(context.folders.appData + "\\Notepad++\\config.xml");
    const timespec times[2] = {{time_t(context.now), 0}, {time_t(context.now), 0}};
    return ::utimensat(AT_FDCWD, config.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? err::SUCCESS : err::WRITE_FAULT;
}

} // namespace kp::sample
