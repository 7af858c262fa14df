#include "platform/registry/registry.h"
#include "plugins/windows/plug_sel_form.h"
#include "plugins/windows/plug_tst_form.h"
#include "tests/support/purge_run.h"
#include "tests/support/temp_machine.h"

#include <QApplication>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kp;

namespace {

struct Windows : test::PurgeRun {
    test::TempMachine temp;
    std::unique_ptr<TPlugSelForm> form;

    Windows()
    {
        context.machine = &temp.machine();
        temp.writeFile("kp/plugins/A.STD", "Title A\r\nDELFILE=C:\\X.TMP\r\n");
        temp.writeFile("kp/plugins/b.cus", "Title B\r\n");
        temp.writeFile("kp/plugins/C.TXT", "not a plugin\r\n");
        temp.makeDir("data");
        folders.pluginsFolder = "C:\\KP\\PLUGINS";
        folders.pluginListFile = "C:\\DATA\\PLUGINS.DAT";
        folders.pluginSelection = {"A.STD", "GONE.STD"};
        form = std::make_unique<TPlugSelForm>(context, folders);
        form->FormActivate();
    }

    QTreeWidget& list() { return *form->findChild<QTreeWidget*>("ListView1"); }
    QPushButton& button(const char* name) { return *form->findChild<QPushButton*>(name); }
    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < list().topLevelItemCount(); ++i)
            out << list().topLevelItem(i)->text(0) + (list().topLevelItem(i)->checkState(0) == Qt::Checked ? "+" : "");
        return out;
    }
};

} // namespace

TEST(TPlugSelForm, ListsPluginsTicksTheSelectionAndSavesIt)
{
    Windows w;
    EXPECT_EQ(w.rows(), (QStringList{"A.STD+", "B.CUS"}));
    EXPECT_FALSE(w.button("SConfigSaveBtn").isEnabled());
    EXPECT_FALSE(w.button("PlugTestBtn").isEnabled());

    // Selecting a name shows its lines and allows a test, nothing to save.
    w.list().setCurrentItem(w.list().topLevelItem(0));
    EXPECT_EQ(w.form->ShownPluginName(), "A.STD");
    EXPECT_EQ(w.form->shownLines(), (std::vector<std::string>{"Title A", "DELFILE=C:\\X.TMP"}));
    EXPECT_TRUE(w.button("PlugTestBtn").isEnabled());
    EXPECT_FALSE(w.button("SConfigSaveBtn").isEnabled());

    w.list().topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(w.button("SConfigSaveBtn").isEnabled());
    w.form->SConfigSaveBtnClick();
    EXPECT_FALSE(w.button("SConfigSaveBtn").isEnabled());
    EXPECT_EQ(w.temp.readFile("data/PLUGINS.DAT"), "A.STD\r\nB.CUS\r\n");
    EXPECT_EQ(w.folders.pluginSelection, (std::vector<std::string>{"A.STD", "B.CUS"}));

    w.form->AllOffButtonClick();
    EXPECT_EQ(w.rows(), (QStringList{"A.STD", "B.CUS"}));
    EXPECT_TRUE(w.button("SConfigSaveBtn").isEnabled());
}

TEST(TPlugSelForm, ClosingWithUnsavedTicksAsksOnce)
{
    Windows w;
    w.form->AllOnButtonClick();
    w.messages.answer = No;
    w.form->SConfigExitBtnClick();
    ASSERT_EQ(w.messages.shown.size(), 1u);
    EXPECT_EQ(w.messages.shown[0].caption, "Klenzor Pro -  Warning");
    EXPECT_FALSE(w.temp.exists("data/PLUGINS.DAT"));

    Windows yes;
    yes.form->AllOnButtonClick();
    yes.messages.answer = Yes;
    yes.form->SConfigExitBtnClick();
    EXPECT_EQ(yes.temp.readFile("data/PLUGINS.DAT"), "A.STD\r\nB.CUS\r\n");
}

TEST(TPlugSelForm, AFailedSaveKeepsTheWindowAndTheOldSelection)
{
    Windows w;
    w.folders.pluginListFile = "C:\\MISSING\\PLUGINS.DAT";
    w.form->show();
    w.form->AllOnButtonClick();
    w.messages.answer = Yes;
    w.form->SConfigExitBtnClick();
    ASSERT_EQ(w.messages.shown.size(), 2u);
    EXPECT_EQ(w.messages.shown[1].kind, MsgKind::Error);
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_TRUE(w.button("SConfigSaveBtn").isEnabled());
    EXPECT_EQ(w.folders.pluginSelection, (std::vector<std::string>{"A.STD", "GONE.STD"}));

    Windows readOnly;
    readOnly.folders.dataFolderReadOnly = true;
    readOnly.form->AllOnButtonClick();
    readOnly.form->SConfigSaveBtnClick();
    EXPECT_FALSE(readOnly.temp.exists("data/PLUGINS.DAT"));
    EXPECT_EQ(readOnly.folders.pluginSelection, (std::vector<std::string>{"A.STD", "GONE.STD"}));
}

namespace {

// How far a list scrolls sideways: its content width.
int scrollExtent(QListWidget& list)
{
    QApplication::processEvents();
    return list.horizontalScrollBar()->maximum() + list.viewport()->width();
}

int widestText(const QListWidget& list)
{
    const QFontMetrics metrics(list.font());
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list.item(i)->text()));
    return widest;
}

} // namespace

TEST(PluginWindows, KeepTheirPlacementAndFitTheirWidestLine)
{
    Windows w;
    w.folders.dataFolder = "C:\\DATA";
    const std::string wide = "DELFILE=C:\\" + std::string(150, 'W') + ".TMP";
    w.temp.writeFile("kp/plugins/WIDE.STD", "Title\r\n" + wide + "\r\n");
    const QRect placed(70, 50, 720, 480);
    {
        TPlugSelForm select(w.context, w.folders);
        select.show();
        select.move(placed.topLeft());
        select.resize(placed.size());
        QTreeWidget& plugins = *select.findChild<QTreeWidget*>("ListView1");
        plugins.setCurrentItem(plugins.topLevelItem(2));
        ASSERT_EQ(select.ShownPluginName(), "WIDE.STD");
        QListWidget& lines = *select.findChild<QListWidget*>("ListBox1");
        EXPECT_EQ(scrollExtent(lines), widestText(lines) + QFontMetrics(lines.font()).horizontalAdvance("Mi") / 2);

        TPlugTstForm test(w.context, "WIDE.STD", select.shownLines());
        test.show();
        test.move(placed.translated(10, 20).topLeft());
        test.resize(placed.size());
        QListWidget& listed = *test.findChild<QListWidget*>("ListViewT");
        EXPECT_GE(scrollExtent(listed), widestText(listed));
        test.close();
        select.close();
    }
    TPlugSelForm select(w.context, w.folders);
    TPlugTstForm test(w.context, "WIDE.STD", {});
    EXPECT_EQ(QRect(select.pos(), select.size()), placed);
    EXPECT_EQ(QRect(test.pos(), test.size()), placed.translated(10, 20));
}

TEST(TPlugTstForm, PreviewsThePluginWithFullDetail)
{
    Windows w;
    win::RegKey key;
    ASSERT_EQ(w.temp.machine().registry().createKey(win::RegRoot::CurrentUser, "Software\\X", key), 0u);
    ASSERT_EQ(w.temp.machine().registry().setString(key, "Y", "data"), 0u);
    TPlugTstForm test(w.context, "T.STD", {"DEL1VAL=HKCU:SOFTWARE\\X[Y]"});
    test.FormActivate();
    EXPECT_EQ(test.listedLines(), (QStringList{"DEL1VAL=HKCU:SOFTWARE\\X[Y]", "   to delete Val - Y - data",
                                               "    1 - Entry processed for this Plugin", " "}));
    w.temp.reopen();
    w.context.machine = &w.temp.machine();
    win::RegKey again;
    std::string data;
    ASSERT_EQ(w.temp.machine().registry().openKey(win::RegRoot::CurrentUser, "Software\\X", false, again), 0u);
    EXPECT_EQ(w.temp.machine().registry().queryString(again, "Y", data), 0u);

    // Left over from a cancelled run, the cancel stops the test before its first line.
    w.run.CancelFlag = true;
    TPlugTstForm cancelled(w.context, "T.STD", {"DEL1VAL=HKCU:SOFTWARE\\X[Y]"});
    cancelled.FormActivate();
    EXPECT_EQ(cancelled.listedLines(), (QStringList{"   0 - Entries processed for this Plugin", " "}));
    EXPECT_EQ(w.report.line(w.report.lineCount() - 1), "*** Cancelled by operator.");
}
