// The import window on a machine: which files it lists, the conflict with
// the data folder's own files, the copies with their target names and a
// copy that fails, and browsing the machine's drives and folders.

#include "settings/folder_set.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"
#include "tools/windows/import_form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace kp;

namespace {

struct ImportFixture {
    ImportFixture()
    {
        temp.writeFile("Old Klenzor/Klenzor.dat", "old protect\r\n");
        temp.writeFile("Old Klenzor/KLENZOR.INI", "[Options]\r\nold=1\r\n");
        temp.writeFile("Old Klenzor/plugins.dat", "RUNMRU.STD\r\n");
        temp.writeFile("Old Klenzor/readme.txt", "not a data file");
        temp.makeDir("Old Klenzor/Sub");
        temp.writeFile("KlenPro/KlenPro.dat", "current protect\r\n");
        temp.writeFile("KlenPro/Klenzor.ini", "[Options]\r\nfrom the single edition\r\n");
        folders.dataFolder = "C:\\KlenPro";
        folders.execFolder = "C:\\PROGRAM FILES\\KLENZOR PRO";
        form = std::make_unique<TImportForm>(temp.machine(), messages, folders);
    }

    template <typename T>
    T* child(const char* name) const
    {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    bool shown(const char* name) const { return !child<QWidget>(name)->isHidden(); }
    QStringList listed(const char* list) const
    {
        QStringList out;
        for (int i = 0; i < child<QListWidget>(list)->count(); ++i)
            out << child<QListWidget>(list)->item(i)->text().trimmed();
        return out;
    }
    void copy() { child<QPushButton>("CopyFileBtn")->click(); }

    test::TempMachine temp;
    test::RecordingMessages messages;
    FolderSet folders;
    std::unique_ptr<TImportForm> form;
};

} // namespace

TEST(ImportForm, CopiesOldFilesUnderTheirNewNamesAndRefusesTheDataFoldersOwn)
{
    ImportFixture f;
    ASSERT_TRUE(f.form->showFolder("C:\\Old Klenzor"));
    EXPECT_EQ(f.listed("FileListBox1"), (QStringList{"Klenzor.dat", "KLENZOR.INI", "plugins.dat"}));

    // The single edition's protect file replaces the current one.
    ASSERT_TRUE(f.form->selectFile("klenzor.dat"));
    EXPECT_EQ(f.text("FileLabel"), "Klenzor.dat  -  Klenzor  -  'Protect' file");
    EXPECT_EQ(f.child<QPlainTextEdit>("Memo1")->toPlainText(), "old protect\n");
    EXPECT_TRUE(f.shown("CopyFileBtn"));
    EXPECT_FALSE(f.shown("ConflictLabel"));
    EXPECT_EQ(f.child<QPushButton>("CopyFileBtn")->text(), "Click to Import 'Klenzor.dat' for 'KlenPro.dat' ");
    f.copy();
    EXPECT_EQ(f.temp.readFile("KlenPro/KlenPro.dat"), "old protect\r\n");

    // A current file keeps its name, whatever its letter case.
    ASSERT_TRUE(f.form->selectFile("plugins.dat"));
    f.copy();
    EXPECT_EQ(f.temp.readFile("KlenPro/plugins.dat"), "RUNMRU.STD\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.temp.hostPath("KlenPro")),
                            std::filesystem::directory_iterator{}),
              3);

    // Changing the folder forgets the selection.
    ASSERT_TRUE(f.form->selectFile("KLENZOR.INI"));
    ASSERT_TRUE(f.form->showFolder("C:\\Old Klenzor\\Sub"));
    EXPECT_EQ(f.text("FileLabel"), "no file selected ");
    EXPECT_FALSE(f.shown("CopyFileBtn"));
    EXPECT_EQ(f.text("FolderLabel"), "C:\\Old Klenzor\\Sub");

    // Inside the data folder, however it is spelled: a current file is in
    // conflict, a single-edition file may be imported.
    for (const char* spelling : {"C:\\KlenPro", "c:\\KLENPRO\\", "C:\\KLENPRO"}) {
        SCOPED_TRACE(spelling);
        ASSERT_TRUE(f.form->showFolder(spelling));
        ASSERT_TRUE(f.form->selectFile("KlenPro.dat"));
        EXPECT_TRUE(f.shown("ConflictLabel"));
        EXPECT_FALSE(f.shown("CopyFileBtn"));
        ASSERT_TRUE(f.form->selectFile("Klenzor.ini"));
        EXPECT_FALSE(f.shown("ConflictLabel"));
        EXPECT_TRUE(f.shown("CopyFileBtn"));
    }
    f.copy();
    EXPECT_EQ(f.temp.readFile("KlenPro/KlenPro.ini"), "[Options]\r\nfrom the single edition\r\n");
    EXPECT_TRUE(f.messages.shown.empty());

    // A copy that cannot replace its target says so and leaves it whole.
    ::chmod(f.temp.hostPath("KlenPro/KlenPro.ini").c_str(), 0444);
    f.temp.writeFile("KlenPro/Klenzor.ini", "newer");
    ASSERT_TRUE(f.form->showFolder("C:\\KlenPro"));
    ASSERT_TRUE(f.form->selectFile("Klenzor.ini"));
    f.copy();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "Cannot create file C:\\KlenPro\\KlenPro.ini");
    EXPECT_EQ(f.temp.readFile("KlenPro/KlenPro.ini"), "[Options]\r\nfrom the single edition\r\n");
}

TEST(ImportForm, BrowsesTheMachinesDrivesAndFoldersWithTheFileTypeFilter)
{
    ImportFixture f;
    std::filesystem::create_directory_symlink("/", f.temp.hostPath("Old Klenzor/ToRoot"));
    auto* drives = f.child<QComboBox>("DriveComboBox1");
    QStringList driveNames;
    for (int i = 0; i < drives->count(); ++i)
        driveNames << drives->itemText(i).left(2);
    EXPECT_TRUE(driveNames.contains("c:") && driveNames.contains("z:")) << driveNames.join(' ').toStdString();

    f.child<QPushButton>("SelectAppDataBtn")->click();
    EXPECT_EQ(f.form->folder(), "C:\\KlenPro");
    EXPECT_EQ(drives->currentText().left(2), "c:");
    // An execution folder that does not exist leaves the view as it was.
    f.child<QPushButton>("SelectInstallBtn")->click();
    EXPECT_EQ(f.form->folder(), "C:\\KlenPro");

    ASSERT_TRUE(f.form->showFolder("C:\\Old Klenzor"));
    EXPECT_EQ(f.listed("DirectoryListBox1"), (QStringList{"C:\\", "Old Klenzor", "Sub"}));
    auto* folderList = f.child<QListWidget>("DirectoryListBox1");
    folderList->setCurrentRow(2);
    emit folderList->itemActivated(folderList->currentItem());
    EXPECT_EQ(f.form->folder(), "C:\\Old Klenzor\\Sub");
    folderList->setCurrentRow(0);
    emit folderList->itemActivated(folderList->currentItem());
    EXPECT_EQ(f.form->folder(), "C:\\");

    ASSERT_TRUE(f.form->showFolder("C:\\Old Klenzor"));
    auto* filter = f.child<QComboBox>("FilterComboBox1");
    filter->setCurrentIndex(2);
    EXPECT_EQ(f.listed("FileListBox1"), (QStringList{"Klenzor.dat", "KLENZOR.INI"}));
    filter->setCurrentIndex(1);
    EXPECT_EQ(f.listed("FileListBox1"), (QStringList{"plugins.dat"}));

    QSignalSpy help(f.form.get(), &TImportForm::helpRequested);
    f.child<QPushButton>("HelpBtn")->click();
    EXPECT_EQ(help.count(), 1);
}

// At the first size and at the smallest, with a file selected and with the
// conflict shown: every button, list and label reads whole, nothing overlaps.
TEST(ImportForm, EveryControlIsWholeAtTheFirstSizeAndAtTheSmallest)
{
    ImportFixture f;
    f.form->show();
    const QSize first = f.form->size();
    EXPECT_GE(first.width(), 720);
    const QString folder = qEnvironmentVariableIsEmpty("KP_SCREENSHOT_DIR")
        ? QDir::currentPath()
        : qEnvironmentVariable("KP_SCREENSHOT_DIR");
    const struct {
        const char* file;
        bool smallest;
        const char* picture;
    } views[] = {{"Klenzor.ini", false, "import_form_first"}, {"KlenPro.dat", true, "import_form_smallest"}};
    for (const auto& view : views) {
        SCOPED_TRACE(view.picture);
        f.form->resize(view.smallest ? f.form->minimumSizeHint() : first);
        ASSERT_TRUE(f.form->showFolder("C:\\KlenPro"));
        ASSERT_TRUE(f.form->selectFile(QString::fromLatin1(view.file)));
        QApplication::processEvents();
        std::vector<QWidget*> controls;
        for (QWidget* w : f.form->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)
                || qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QLabel*>(w);
            if (control && w->isVisible() && !w->objectName().isEmpty())
                controls.push_back(w);
        }
        ASSERT_GE(controls.size(), 18u);
        auto inForm = [&f](const QWidget* w) { return QRect(w->mapTo(f.form.get(), QPoint(0, 0)), w->size()); };
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const QWidget* w = controls[i];
            const std::string name = w->objectName().toStdString();
            const QSize least = w->minimumSizeHint();
            const bool elided = w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored;
            EXPECT_TRUE(elided || w->width() >= least.width()) << name << " squeezed";
            EXPECT_TRUE(f.form->rect().contains(inForm(w))) << name << " cut";
            for (std::size_t j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(inForm(w).intersects(inForm(controls[j])))
                    << name << " overlaps " << controls[j]->objectName().toStdString();
        }
        EXPECT_TRUE(f.form->grab().save(QDir(folder).absoluteFilePath(QString::fromLatin1(view.picture) + ".png")));
    }
}
