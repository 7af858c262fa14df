// The reboot purge: the batch file's lines for each choice of boxes and
// family, a ticked folder without a short path, the RunOnce entry through
// the service or directly, and the dialog's boxes.

#include "tools/reboot_purge.h"
#include "tools/windows/klen_inx_dialog.h"

#include "core/keywords.h"
#include "platform/files/file_system.h"
#include "platform/files/text_file.h"
#include "platform/registry/registry.h"
#include "service/service_link.h"
#include "settings/folder_discovery.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/built_machine.h"
#include "tests/support/recording_messages.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;

namespace {

// A sample machine with its folders found, a data folder and the attrib
// program where Windows keeps it.
struct RebootMachine {
    explicit RebootMachine(sample::MachineLayout layout = sample::MachineLayout::WindowsXP)
        : built(recipe(layout))
    {
        win::Machine& m = built.machine();
        folders.dataFolder = "C:\\KLENZOR";
        EXPECT_EQ(win::FileSystem(m).createDirectory(folders.dataFolder), win::err::SUCCESS);
        EXPECT_TRUE(FindFolders(m, Keywords(), BrowserLevel {true, true}, GeneralSettings(), folders));
        systemFolder = layout == sample::MachineLayout::WindowsXP ? "C:\\WINDOWS\\system32" : "C:\\WINDOWS";
        EXPECT_EQ(win::writeTextFile(m, systemFolder + "\\attrib.exe", "MZ"), win::err::SUCCESS);
    }
    static sample::MachineSpec recipe(sample::MachineLayout layout)
    {
        sample::MachineSpec s = test::BuiltMachine::fixedSpec();
        s.layout = layout;
        return s;
    }
    std::string shortPath(const std::string& path)
    {
        std::string out;
        win::FileSystem files(built.machine());
        EXPECT_EQ(files.shortPathName(path, out), win::err::SUCCESS) << path;
        return out;
    }
    std::string batch()
    {
        std::string text;
        EXPECT_EQ(win::readTextFile(built.machine(), folders.dataFolder + "\\Purgeinx.bat", text), win::err::SUCCESS);
        return text;
    }
    std::string runOnceValue(const char* key, const char* name)
    {
        built.reopen();
        win::Registry& registry = built.machine().registry();
        win::RegKey k;
        std::string value;
        if (registry.openKey(win::RegRoot::LocalMachine, std::string("Software\\Microsoft\\Windows\\CurrentVersion\\") + key,
                             false, k) == win::err::SUCCESS
            && registry.queryString(k, name, value) == win::err::SUCCESS)
            return value;
        return "<none>";
    }

    test::BuiltMachine built;
    FolderSet folders;
    std::string systemFolder;
};

RebootPurgeChoice choose(std::initializer_list<int> whole, std::initializer_list<int> indexOnly)
{
    RebootPurgeChoice c;
    for (int i : whole)
        c.whole[i] = true;
    for (int i : indexOnly)
        c.indexOnly[i] = true;
    return c;
}

// A service link whose pipe answers `reply`, or fails when it is empty;
// the requests it saw.
struct FakeService {
    FakeService(win::Machine& machine, std::string answer)
        : link(machine)
    {
        link.setTransport([this, answer](const std::string&, const std::string& request, std::string& reply) {
            requests.push_back(request);
            reply = answer;
            return answer.empty() ? win::err::FILE_NOT_FOUND : win::err::SUCCESS;
        });
    }
    ServiceLink link;
    std::vector<std::string> requests;
};

} // namespace

TEST(RebootPurge, TheBatchHoldsTheAttribDelAndRemoveLinesOfEachChoice)
{
    RebootMachine m;
    const std::string attrib = "\"" + m.shortPath(m.systemFolder) + "\\Attrib\" -r -s -h ";
    const std::string cache = m.shortPath(m.folders.cacheFolder);
    const std::string cookies = m.shortPath(m.folders.cookiesFolder);
    const std::string history = m.shortPath(m.folders.historyFolder);
    const auto index = [](const std::string& folder) { return "\"" + folder + "\\INDEX.DAT\""; };
    const auto indexLines = [&](const std::string& folder) {
        return attrib + index(folder) + "\r\nDel " + index(folder) + "\r\n";
    };
    const std::string rem = "rem - Bat file to Klenzor folders at Reboot\r\n";
    struct Case {
        const char* name;
        RebootPurgeChoice choice;
        std::string lines;
    };
    const Case cases[] = {
        {"cache whole, history index", choose({CacheFolder}, {HistoryFolder}),
         rem + indexLines(cache) + indexLines(history) + "RD /S /Q \"" + cache + "\"\r\n"},
        {"index files only", choose({}, {CacheFolder, CookiesFolder, HistoryFolder}),
         rem + indexLines(cache) + indexLines(cookies) + indexLines(history)},
        {"every folder whole", choose({CacheFolder, CookiesFolder, HistoryFolder}, {}),
         rem + indexLines(cache) + indexLines(cookies) + indexLines(history) + "RD /S /Q \"" + cache
             + "\"\r\nRD /S /Q \"" + cookies + "\"\r\nRD /S /Q \"" + history + "\"\r\n"},
    };
    for (const Case& c : cases) {
        test::RecordingMessages messages;
        FakeService service(m.built.machine(), "OK");
        std::vector<RebootFolder> unresolved;
        // Written twice: the file is rewritten, not appended to.
        for (int run = 0; run < 2; ++run)
            ASSERT_TRUE(WriteRebootPurge(m.built.machine(), m.folders, service.link, messages, c.choice, unresolved))
                << c.name;
        EXPECT_EQ(m.batch(), c.lines) << c.name;
        EXPECT_TRUE(messages.shown.empty()) << c.name;
        EXPECT_TRUE(unresolved.empty()) << c.name;
    }
    EXPECT_EQ(cache.find(' '), std::string::npos) << "short paths: " << cache;
}

TEST(RebootPurge, OnThe9xFamilyDelTreeRemovesAndTheEntryGoesUnderRunServicesOnce)
{
    RebootMachine m(sample::MachineLayout::Windows98);
    test::RecordingMessages messages;
    FakeService service(m.built.machine(), "OK");
    std::vector<RebootFolder> unresolved;
    ASSERT_TRUE(WriteRebootPurge(m.built.machine(), m.folders, service.link, messages,
                                 choose({CookiesFolder}, {}), unresolved));
    const std::string cookies = m.shortPath(m.folders.cookiesFolder);
    // No deltree on the machine: the bare name, quoted.
    EXPECT_TRUE(m.batch().ends_with("\r\n\"DelTree\" /Y \"" + cookies + "\"\r\n")) << m.batch();
    EXPECT_TRUE(service.requests.empty()) << "no service on the 9x family";
    EXPECT_EQ(m.runOnceValue("RunServicesOnce", "Klenzor Folder"), "\"C:\\KLENZOR\\Purgeinx.bat\"");
}

TEST(RebootPurge, TheRunOnceEntryGoesThroughTheServiceElseDirectly)
{
    const std::string request =
        "REGW|MACH|Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce|Klenzor Folders|C:\\KLENZOR\\Purgeinx.bat";
    struct Case {
        std::string reply;
        std::string direct;
    };
    for (const Case& c : {Case {"OK", "<none>"}, Case {"", "\"C:\\KLENZOR\\Purgeinx.bat\""},
                          Case {"*** Error - Service User-Id not found", "\"C:\\KLENZOR\\Purgeinx.bat\""}}) {
        RebootMachine m;
        test::RecordingMessages messages;
        FakeService service(m.built.machine(), c.reply);
        std::vector<RebootFolder> unresolved;
        ASSERT_TRUE(WriteRebootPurge(m.built.machine(), m.folders, service.link, messages,
                                     choose({}, {HistoryFolder}), unresolved));
        EXPECT_EQ(service.requests, std::vector<std::string> {request}) << c.reply;
        EXPECT_EQ(m.runOnceValue("RunOnce", "Klenzor Folder"), c.direct) << c.reply;
    }
}

TEST(RebootPurge, ATickedFolderWithoutAShortPathGetsNoLineAndNothingTickedWritesNothing)
{
    RebootMachine m;
    m.folders.cacheFolder = "C:\\GONE\\CONTENT.IE5";
    m.folders.cacheFound = false;
    const std::string history = m.shortPath(m.folders.historyFolder);
    struct Case {
        const char* name;
        RebootPurgeChoice choice;
        bool closes;
        std::string messageStart;
    };
    const Case cases[] = {
        {"nothing ticked", RebootPurgeChoice {}, false, "You must select a folder or Index.dat file for\r\n"},
        {"only the missing folder", choose({}, {CacheFolder}), false, "The short path of these selected folders"},
        {"the missing folder and another", choose({}, {CacheFolder, HistoryFolder}), true,
         "The short path of these selected folders"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(m.built.hostPath(m.folders.dataFolder + "\\Purgeinx.bat"));
        test::RecordingMessages messages;
        FakeService service(m.built.machine(), "OK");
        std::vector<RebootFolder> unresolved;
        EXPECT_EQ(WriteRebootPurge(m.built.machine(), m.folders, service.link, messages, c.choice, unresolved),
                  c.closes)
            << c.name;
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_EQ(messages.shown[0].text.rfind(c.messageStart, 0), 0u) << messages.shown[0].text;
        std::string text;
        const win::DWORD read =
            win::readTextFile(m.built.machine(), m.folders.dataFolder + "\\Purgeinx.bat", text);
        EXPECT_EQ(read == win::err::SUCCESS, c.closes) << c.name;
        EXPECT_EQ(service.requests.empty(), !c.closes) << c.name;
        if (c.closes) {
            EXPECT_NE(messages.shown[0].text.find("Cache Folder"), std::string::npos);
            EXPECT_EQ(unresolved, std::vector<RebootFolder> {CacheFolder});
            // Only the history lines: no command with an empty path.
            EXPECT_EQ(text.find("\"\\INDEX.DAT\""), std::string::npos) << text;
            EXPECT_NE(text.find(history), std::string::npos) << text;
        }
    }
}

TEST(KlenInxDlg, BoxesExcludeTheirPartnerAndAFolderNotFoundOffersOnlyItsIndex)
{
    RebootMachine m;
    m.folders.cookiesFound = false;
    test::RecordingMessages messages;
    FakeService service(m.built.machine(), "OK");
    TKlenInxDlg dialog(m.built.machine(), m.folders, service.link, messages);
    auto box = [&](const char* name) { return dialog.findChild<QCheckBox*>(name); };
    box("CheckboxPinxCache")->setChecked(true);
    dialog.show();
    EXPECT_FALSE(box("CheckboxPinxCache")->isChecked()) << "opening clears the boxes";
    EXPECT_EQ(dialog.windowTitle(), "Klenzor Pro - Klenzor Folders at next Reboot");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint) << "the window's Close is not offered";
    EXPECT_FALSE(box("CheckboxPinxCookies")->isEnabled());
    EXPECT_TRUE(box("CheckboxPinxCookiesID")->isEnabled());
    EXPECT_EQ(dialog.findChild<QLabel*>("LabelCookie")->text(), "Cookie Folder was not found");
    EXPECT_EQ(dialog.findChild<QLabel*>("LabelCache")->text(), "");

    dialog.findChild<QPushButton*>("OKBtn")->click();
    EXPECT_TRUE(dialog.isVisible()) << "nothing ticked: the dialog stays";
    ASSERT_EQ(messages.shown.size(), 1u);

    for (const char* family : {"CheckboxPinxCache", "CheckboxPinxHistory"}) {
        QCheckBox* whole = box(family);
        QCheckBox* index = box((std::string(family) + "ID").c_str());
        whole->setChecked(true);
        index->setChecked(true);
        EXPECT_FALSE(whole->isChecked()) << family;
        whole->setChecked(true);
        EXPECT_FALSE(index->isChecked()) << family;
    }
    EXPECT_EQ(dialog.choice().whole, (std::array<bool, 3> {true, false, true}));
    dialog.findChild<QPushButton*>("OKBtn")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::string batch = m.batch();
    const std::size_t first = batch.find("RD /S /Q ");
    ASSERT_NE(first, std::string::npos) << batch;
    EXPECT_NE(batch.find("RD /S /Q ", first + 1), std::string::npos) << "cache and history whole: " << batch;
}

TEST(KlenInxDlg, GrowsByAFifthOfTheExcessAboveTenPixelsPerInch)
{
    const QSize designed(500, 300);
    EXPECT_EQ(KlenInxSizeFor(designed, 96), designed);
    EXPECT_EQ(KlenInxSizeFor(designed, 105), designed);
    EXPECT_EQ(KlenInxSizeFor(designed, 144), QSize(550, 330));
}

TEST(RebootPurge, TheBatchGoesToTheWindowsFolderWithoutAUsableDataFolderAndAFailedWriteKeepsTheDialogOpen)
{
    struct Case {
        const char* name;
        std::string dataFolder;
        bool readOnly;
        bool closes;
        std::string registered;
    };
    const Case cases[] = {
        {"read-only data folder", "C:\\KLENZOR", true, true, "\"C:\\WINDOWS\\Purgeinx.bat\""},
        {"no data folder", "", false, true, "\"C:\\WINDOWS\\Purgeinx.bat\""},
        {"data folder missing", "C:\\MISSING", false, false, "<none>"},
    };
    for (const Case& c : cases) {
        RebootMachine m;
        m.folders.dataFolder = c.dataFolder;
        m.folders.dataFolderReadOnly = c.readOnly;
        test::RecordingMessages messages;
        FakeService service(m.built.machine(), "");
        std::vector<RebootFolder> unresolved;
        EXPECT_EQ(WriteRebootPurge(m.built.machine(), m.folders, service.link, messages, choose({CacheFolder}, {}),
                                   unresolved),
                  c.closes)
            << c.name;
        EXPECT_EQ(m.runOnceValue("RunOnce", "Klenzor Folder"), c.registered) << c.name;
        if (!c.closes) {
            ASSERT_EQ(messages.shown.size(), 1u) << c.name;
            EXPECT_EQ(messages.shown[0].caption, "Klenzor  -  Error");
            EXPECT_EQ(messages.shown[0].text, "An error was encountered when trying to write\r\nthe file - "
                                              "Purgeinx.bat\r\nto folder - C:\\MISSING\r\n\r\nThe function did not "
                                              "succeed.");
        }
    }
}
