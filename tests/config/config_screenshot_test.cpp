// The windows as a person sees them: each tab at the window's first size
// and at its smallest, every control whole. The pictures are left in /tmp.

#include "config/windows/extra_form.h"
#include "tests/config/config_window.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace kp;

namespace {

QRect inWindow(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// The shown controls that are cut by the window or squeezed below their
// smallest size.
std::vector<std::string> brokenControls(QWidget& window)
{
    std::vector<std::string> broken;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(w);
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w)
                             || (label && (!label->text().isEmpty() || label->pixmap().width() > 0));
        if (!control || !w->isVisible() || w->window() != &window)
            continue;
        const QSize least = w->minimumSizeHint();
        if (!window.rect().contains(inWindow(w)) || w->width() < least.width() || w->height() < least.height())
            broken.push_back(w->objectName().toStdString());
    }
    return broken;
}

void checkAndGrab(QWidget& window, const QString& name)
{
    QApplication::processEvents();
    EXPECT_EQ(brokenControls(window), std::vector<std::string>{}) << name.toStdString();
    window.grab().save(QStringLiteral("/tmp/kp-%1.png").arg(name));
}

} // namespace

TEST(ConfigWindows, EveryControlIsWholeAtTheFirstAndTheSmallestSize)
{
    test::ConfigWindow w;
    w.temp.writeFile("kp/PLUGMGR.EXE", "MZ");
    w.temp.writeFile("kp/KlenPro.exe.ManifesT", "<assembly/>");
    w.folders.temp[FolderSet::SystemTemp] = {"C:\\DOCUMENTS AND SETTINGS\\OWNER\\LOCAL SETTINGS\\TEMP",
                                             TempCandidate::Usable, "", 'C'};
    w.folders.temp[FolderSet::WindowsTemp] = {"C:\\WINDOWS\\TEMP", TempCandidate::Usable, "", 'C'};
    w.folders.temp[FolderSet::OldTemp] = {"C:\\TMP", TempCandidate::NameNotTemp,
                                          "... not safe to use - Folder name not \"temp\" ...", 'C'};
    w.folders.temp[FolderSet::BootDiskTemp] = {"C:\\TEMP", TempCandidate::NotFound, "... Folder Not Found ...", 'C'};
    TConfigForm& form = w.open();
    form.show();
    EXPECT_GE(form.width(), 370);
    const QSize first = form.size();
    for (const QSize size : {first, form.minimumSize()}) {
        form.resize(size);
        for (int tab = 0; tab < 5; ++tab) {
            w.tabs().setCurrentIndex(tab);
            checkAndGrab(form, QStringLiteral("config-tab%1-%2x%3").arg(tab).arg(size.width()).arg(size.height()));
        }
    }
    TExtraForm& extra = form.extraForm();
    extra.show();
    const QSize designed = extra.size();
    for (const QSize size : {designed, extra.minimumSize()}) {
        extra.resize(size);
        checkAndGrab(extra, QStringLiteral("options-%1x%2").arg(size.width()).arg(size.height()));
    }
}
