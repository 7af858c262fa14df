// The Protect window on a small built machine, driven through its controls:
// listings and their filter, rows only in the protect file, protecting,
// deleting with its confirmation, Find, View and Open, the site panel's
// menus, closing while busy, and the protect file that cannot be read.

#include "core/keywords.h"
#include "platform/files/dos_paths.h"
#include "platform/registry/registry.h"
#include "platform/urlcache/url_cache.h"
#include "protect/document_check.h"
#include "protect/windows/protect_form.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "zones/zone_list.h"
#include "tests/support/built_machine.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

using namespace kp;
using kp::test::BuiltMachine;

namespace {

sample::MachineSpec smallMachine()
{
    sample::MachineSpec recipe = BuiltMachine::fixedSpec();
    recipe.cacheEntries = 8;
    recipe.offlineEntries = 2;
    recipe.cookies = 3;
    recipe.visitedUrls = 5;
    recipe.tempFiles = recipe.documents = recipe.typedUrls = recipe.formItems = recipe.passwordItems = 0;
    recipe.userDataFiles = 0;
    return recipe;
}

struct ProtectFormFixture : ::testing::Test {
    BuiltMachine built{smallMachine()};
    test::RecordingMessages messages;
    Keywords keywords;
    FolderSet folders;
    GeneralSettings general;
    std::vector<QUrl> opened;
    bool openSucceeds = true;
    std::unique_ptr<TProtectForm> form;

    void SetUp() override
    {
        ASSERT_TRUE(built.ok());
        win::UrlCache cache(built.machine());
        folders.cacheFolder = cache.containerFolder("");
        folders.cookiesFolder = cache.folders().cookies;
        folders.historyFolder = cache.containerFolder("Visited:");
        folders.cacheFound = folders.cookiesFound = folders.historyFound = true;
        folders.dataFolder = "C:\\KLENZOR";
        std::filesystem::create_directories(built.hostPath(folders.dataFolder));
    }

    void protectFile(const std::string& text)
    {
        test::writeFile(built.hostPath(folders.dataFolder + "\\KlenPro.Dat"), text);
        built.machine().paths().forget(built.hostPath(folders.dataFolder));
    }
    std::string savedProtectFile() { return test::readFile(built.hostPath(folders.dataFolder + "\\KlenPro.Dat")); }

    void open()
    {
        if (!form) {
            form = std::make_unique<TProtectForm>(ProtectFormSetup{built.machine(), messages, keywords, folders, general});
            form->setUrlOpener([this](const QUrl& url) {
                opened.push_back(url);
                return openSucceeds;
            });
        }
        form->openWindow();
    }
    template <typename T> T* child(const char* name) { return form->findChild<T*>(QString::fromLatin1(name)); }
    void click(const char* button) { child<QPushButton>(button)->click(); }
    QTableView* list() { return child<QTableView>("ListView1"); }
    int rows() { return form->rows().rowCount(); }
    const ProtectRow& row(int r) { return form->rows().row(r); }
    int rowOf(const std::string& caption)
    {
        for (int r = 0; r < rows(); ++r)
            if (row(r).caption == caption)
                return r;
        return -1;
    }
    int rowWhere(const std::function<bool(const ProtectRow&)>& test)
    {
        for (int r = 0; r < rows(); ++r)
            if (test(row(r)))
                return r;
        return -1;
    }
    void select(std::initializer_list<int> which)
    {
        list()->clearSelection();
        for (int r : which)
            list()->selectionModel()->select(form->rows().index(r, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        form->ListView1Change();
    }
    void trigger(const char* menu, const char* item)
    {
        for (QAction* a : form->popupMenu(menu)->actions())
            if (a->objectName() == QLatin1String(item))
                return a->trigger();
        ADD_FAILURE() << item;
    }
    std::string lastMessage() { return messages.shown.empty() ? "" : messages.shown.back().text; }
};

} // namespace

TEST_F(ProtectFormFixture, CookieListingShowsDetailsProtectionAndRowsOnlyInTheProtectFile)
{
    protectFile("Cookie:owner@zz-gone.example/\r\nProtect File\r\nhttp://gone.example/page.htm\r\n");
    open();
    click("CookiesSBtn");
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(form->footer(), QStringLiteral("  Cookies Displayed - 3 of 3 Records"));
    const int gone = rowOf("Cookie:owner@zz-gone.example/");
    ASSERT_GE(gone, 0);
    EXPECT_EQ(row(gone).status, "Protect");
    EXPECT_EQ(row(gone).accessed, "      n/a");
    EXPECT_EQ(row(gone).localFile, kOnlyInProtectFile);
    EXPECT_EQ(rowOf("Protect File"), -1);
    EXPECT_EQ(rowOf("http://gone.example/page.htm"), -1);

    // The first row is selected with its cookie's records and its site.
    EXPECT_EQ(list()->selectionModel()->selectedRows().size(), 1);
    EXPECT_GT(child<QTableWidget>("ListView2")->rowCount(), 0);
    EXPECT_FALSE(child<QLabel>("LabelWSt")->text().isEmpty());
    EXPECT_EQ(row(0).type, "C");

    // A filter that matches nothing adds no protect-file rows either.
    child<QLineEdit>("LimitEdit")->setText(QStringLiteral("  no-such-text "));
    QMetaObject::invokeMethod(child<QLineEdit>("LimitEdit"), "returnPressed");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(form->footer(), QStringLiteral("  Cookies Displayed - 0 of 3 Records"));
}

TEST_F(ProtectFormFixture, ProtectingIsIdempotentSkipsChannelsAndIsSavedOnClose)
{
    protectFile("");
    open();
    click("CacheSBtn");
    const int channel = rowWhere([](const ProtectRow& r) { return r.status == "CDF"; });
    const int page = rowWhere([](const ProtectRow& r) { return r.status == " "; });
    ASSERT_GE(channel, 0);
    ASSERT_GE(page, 0);
    const std::string pageName = row(page).caption;
    select({channel, page});
    click("ProtectSBtn");
    click("ProtectSBtn");
    EXPECT_EQ(row(rowOf(pageName)).status, "Protect");
    EXPECT_EQ(row(channel).status, "CDF");
    EXPECT_EQ(form->protectList().lines(), std::vector<std::string>{pageName});

    // Deleting the channel row does nothing to it.
    messages.answer = Yes;
    select({channel});
    click("DeleteSBtn");
    EXPECT_EQ(row(channel).status, "CDF");
    EXPECT_NE(row(channel).localFile.find("not deleted"), 0u);

    form->close();
    EXPECT_EQ(savedProtectFile(), pageName + "\r\n");
    EXPECT_EQ(rows(), 0);

    list()->clearSelection();
    open();
    click("CacheSBtn");
    select({rowOf(pageName)});
    click("UnProtectSBtn");
    EXPECT_EQ(row(rowOf(pageName)).status, " ");
    click("UnProtectSBtn");
    EXPECT_EQ(lastMessage(), "No \"Protect\" entry selected for Unprotect function");
}

TEST_F(ProtectFormFixture, DeletingAProtectedRowKeepsItAsProtectFileOnlyAndYesToAllLastsUntilReopened)
{
    protectFile("http://only.example/a.htm\r\nhttp://only.example/b.htm\r\n");
    open();
    click("CacheSBtn");
    const int before = rows();
    const int page = rowWhere([](const ProtectRow& r) { return r.status == " " && r.type == "N"; });
    ASSERT_GE(page, 0);
    const std::string pageName = row(page).caption;
    select({page});
    click("ProtectSBtn");

    messages.answer = YesToAll;
    click("DeleteSBtn");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor  -  Delete Confirmation");
    EXPECT_EQ(messages.shown[0].text.rfind("For your request to delete the selected entry, \r\n\r\n", 0), 0u);
    ASSERT_EQ(rows(), before);
    EXPECT_EQ(row(rowOf(pageName)).localFile, kOnlyInProtectFile);
    EXPECT_EQ(row(rowOf(pageName)).status, "Protect");

    // Rows only in the protect file are never deleted: one message for both.
    select({rowOf("http://only.example/a.htm"), rowOf("http://only.example/b.htm")});
    click("DeleteSBtn");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(lastMessage(), "You must use UnProtect to Remove \r\nan entry from the Protect File.");
    EXPECT_EQ(rows(), before);

    // An unprotected row goes without another question.
    const int other = rowWhere([](const ProtectRow& r) { return r.status == " " && r.type == "N"; });
    ASSERT_GE(other, 0);
    select({other});
    click("DeleteSBtn");
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(rows(), before - 1);

    form->close();
    open();
    click("CacheSBtn");
    EXPECT_EQ(row(rowOf(pageName)).localFile, kOnlyInProtectFile);
    messages.answer = No;
    select({0});
    click("DeleteSBtn");
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(rows(), before - 1);
}

TEST_F(ProtectFormFixture, FindMovesOnWithTheSameTextAndStartsOverWithANewOne)
{
    protectFile("");
    open();
    click("VisitedSBtn");
    ASSERT_GE(rows(), 3);
    click("Find1Sbtn");
    EXPECT_TRUE(form->findDialog()->isVisible());
    form->findText()->setText(QStringLiteral("."));
    form->FindDialog1Find();
    const auto found = [&] { return list()->selectionModel()->selectedRows().value(0).row(); };
    EXPECT_EQ(found(), 0);
    form->FindDialog1Find();
    EXPECT_EQ(found(), 1);
    form->findText()->setText(QStringLiteral(" . "));
    form->FindDialog1Find();
    EXPECT_EQ(found(), 0);
    form->findText()->setText(QStringLiteral("nowhere"));
    form->FindDialog1Find();
    EXPECT_EQ(lastMessage(), "NOWHERE- not found.");
    EXPECT_EQ(messages.shown.back().caption, "Find Message");
}

TEST_F(ProtectFormFixture, ViewOpensDocumentsOnlyAndOpenGoesToTheSite)
{
    protectFile("");
    win::UrlCache cache(built.machine());
    for (const char* ext : {"exe", "htm"}) {
        const std::string url = std::string("http://files.example.com/setup.") + ext;
        std::string local;
        ASSERT_EQ(cache.createUrlCacheEntry(url, ext, local), 0u);
        test::writeFile(built.hostPath(local), ext == std::string("exe") ? "MZ\x90" : "<html></html>");
        win::UrlCacheCommit commit;
        commit.url = url;
        commit.localFileName = local;
        ASSERT_EQ(cache.commitUrlCacheEntry(commit), 0u);
    }
    open();
    click("CacheSBtn");
    select({rowOf("http://files.example.com/setup.exe")});
    click("ViewSBtn");
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(lastMessage(), kNotADocumentText);

    select({rowOf("http://files.example.com/setup.htm")});
    click("ViewSBtn");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral(".htm"))) << opened[0].toString().toStdString();

    click("OpenSbtn");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], QUrl(QStringLiteral("http://files.example.com/")));
    openSucceeds = false;
    click("OpenSbtn");
    EXPECT_EQ(lastMessage(), "Unable to open the selected Website");

    list()->clearSelection();
    click("ViewSBtn");
    EXPECT_EQ(lastMessage(), "No \"Protect\" entry selected for View function");
}

TEST_F(ProtectFormFixture, TheSitePanelShowsAndChangesZoneAndCookieDecision)
{
    protectFile("");
    win::Registry& registry = built.machine().registry();
    win::RegKey key;
    ASSERT_EQ(registry.createKey(win::RegRoot::CurrentUser,
                                 std::string(kInternetSettingsKey) + "\\ZoneMap\\Domains\\kp-test.org\\files", key),
              0u);
    ASSERT_EQ(registry.setDword(key, "http", 4), 0u);
    win::UrlCache cache(built.machine());
    win::UrlCacheCommit commit;
    commit.url = "http://files.kp-test.org/a.txt";
    ASSERT_EQ(cache.commitUrlCacheEntry(commit), 0u);

    open();
    click("CacheSBtn");
    select({rowOf("http://files.kp-test.org/a.txt")});
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral("Restricted"));
    EXPECT_EQ(child<QLabel>("LabelDMt")->text(), QStringLiteral("http://files.kp-test.org"));
    EXPECT_EQ(child<QLabel>("LabelWSt")->text(), QStringLiteral("kp-test.org"));

    trigger("PopupMenuSZ", "PuSZTrusted");
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral("Trusted"));
    trigger("PopupMenuSZ", "PuSZRemove");
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral(""));

    trigger("PopupMenuCS", "PuCSBlock");
    EXPECT_EQ(child<QLabel>("LabelCSt")->text(), QStringLiteral("Block"));
    trigger("PopupMenuCS", "PuCSClear");
    EXPECT_EQ(child<QLabel>("LabelCSt")->text(), QStringLiteral(""));
}

TEST_F(ProtectFormFixture, ClosingDuringAListingIsRefusedAndAFullListStopsListing)
{
    protectFile("");
    open();
    form->setListCapacity(3);
    bool closedMeanwhile = true;
    QTimer::singleShot(0, form.get(), [&] { closedMeanwhile = form->close(); });
    click("CacheSBtn");
    EXPECT_FALSE(closedMeanwhile);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(rows(), 3);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lastMessage(),
              "The number of Entries to process exceeds \r\nthe Windows ListBox Capacity.\r\nExecution will continue "
              "without listing.");
    EXPECT_NE(form->footer().indexOf(QStringLiteral("Cache Displayed - ")), -1);
    EXPECT_TRUE(form->close());
}

TEST_F(ProtectFormFixture, AnUnreadableProtectFileAsksAbortOrIgnoreBeforeAnythingIsShown)
{
    open();
    messages.answer = Abort;
    click("CookiesSBtn");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, unsigned(Abort | Ignore));
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(form->footer().isEmpty());

    messages.answer = Ignore;
    click("CookiesSBtn");
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(savedProtectFile(), "");
}

TEST_F(ProtectFormFixture, TheWindowIsWholeAtItsFirstAndSmallestSize)
{
    protectFile("");
    open();
    click("CookiesSBtn");
    EXPECT_EQ(form->minimumSize(), QSize(550, 360));
    for (QSize size : {QSize(620, 450), QSize(550, 360)}) {
        form->resize(size);
        QApplication::processEvents();
        for (const char* name : {"ExitProtSBtn", "Find1Sbtn", "Sort1Hits", "PanelDM", "ProtfootMsg"}) {
            QWidget* w = child<QWidget>(name);
            const QRect inForm(w->mapTo(form.get(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(form->rect().contains(inForm)) << name << " at " << size.width() << "x" << size.height();
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name;
        }
        EXPECT_GE(list()->height(), 40);
        if (const char* folder = std::getenv("KP_SCREENSHOT_DIR")) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            form->grab().save(QStringLiteral("%1/protect-%2x%3.png")
                                  .arg(QString::fromLocal8Bit(folder))
                                  .arg(size.width())
                                  .arg(size.height()));
        }
    }
}

TEST_F(ProtectFormFixture, ZoneMenusCreateChangeAndRemoveTheRangeOfAnAddress)
{
    protectFile("");
    win::UrlCache cache(built.machine());
    win::UrlCacheCommit commit;
    commit.url = "http://10.0.0.7/page.htm";
    ASSERT_EQ(cache.commitUrlCacheEntry(commit), 0u);
    win::Registry& registry = built.machine().registry();
    const std::string ranges = std::string(kInternetSettingsKey) + "\\ZoneMap\\Ranges";
    // The zone value of the range key that holds the address, or -1 without one.
    auto rangeZone = [&]() -> long {
        win::RegKey parent;
        if (registry.openKey(win::RegRoot::CurrentUser, ranges, false, parent) != 0u)
            return -1;
        std::string name;
        for (win::DWORD i = 0; registry.enumKey(parent, i, name) == 0u; ++i) {
            win::RegKey range;
            std::string host;
            win::DWORD zone = 0;
            if (registry.openKey(parent, name, false, range) == 0u && registry.queryString(range, ":Range", host) == 0u
                && host == "10.0.0.7")
                return registry.queryDword(range, "*", zone) == 0u ? long(zone) : -2;
        }
        return -1;
    };

    open();
    click("CacheSBtn");
    select({rowOf("http://10.0.0.7/page.htm")});
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral(""));
    QString suggested;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        suggested = dialog->findChild<QLineEdit*>(QStringLiteral("ZoneToAdd"))->text();
        dialog->findChild<QPushButton*>(QStringLiteral("AddToZoneBtn"))->click();
    });
    trigger("PopupMenuDM", "PuDMTrusted");
    EXPECT_EQ(suggested, QStringLiteral("10.0.0.7"));
    EXPECT_EQ(rangeZone(), 2);
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral("Trusted"));

    trigger("PopupMenuSZ", "PuSZRestricted");
    EXPECT_EQ(rangeZone(), 4);
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral("Restricted"));
    trigger("PopupMenuSZ", "PuSZRemove");
    EXPECT_EQ(rangeZone(), -1);
    EXPECT_EQ(child<QLabel>("LabelSZt")->text(), QStringLiteral(""));
}
