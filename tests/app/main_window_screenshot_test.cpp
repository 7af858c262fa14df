#include "app/app_state.h"
#include "app/windows/main_form.h"
#include "core/scope_guard.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <gtest/gtest.h>

#include <cstdio>

using namespace kp;

namespace {

StepTable cookieRun()
{
    StepTable steps;
    steps[PurgeStep::Cookies] = [](PurgeContext& c) {
        c.report.AddReportLine(QStringLiteral("Unprotected Cookies:"));
        c.report.AddReportLine(QStringLiteral("       Result  Type dd-hh:mm (age)   Cache Entry"));
        for (int i = 0; i < 40; ++i)
            c.report.AddReportLine(QStringLiteral("       deleted - C  %1-03:12  Cookie:user@site%2.example.com/")
                                       .arg(i + 1, 3, 10, QLatin1Char('0'))
                                       .arg(i));
        c.report.AddReportLine(QStringLiteral("  Purge \"Cookies\" Function Completed.  40 Entries Processed."));
        c.run.ProcessedCount = 40;
    };
    steps[PurgeStep::Temp] = [](PurgeContext&) {};
    steps.shredding = true;
    return steps;
}

// The window's controls a person reads or clicks: buttons, check boxes, age
// fields and the labels shown; the Cancel button only shows during a run.
std::vector<QWidget*> controls(QMainWindow& window)
{
    std::vector<QWidget*> out;
    for (QWidget* w : window.centralWidget()->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(w);
        const bool readable = label && !label->text().isEmpty() && label->isVisibleTo(&window);
        const QString name = w->objectName();
        if ((qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || readable) && !name.isEmpty()
            && name != QLatin1String("CancelSBtn"))
            out.push_back(w);
    }
    return out;
}

QRect inWindow(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// Visible, not squeezed below its smallest size, inside each of its parents.
std::string wholeness(const QWidget* w)
{
    if (!w->isVisible())
        return "hidden";
    const QSize least = w->minimumSizeHint();
    if (w->width() < least.width() || w->height() < least.height())
        return "squeezed";
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (!inWindow(p).contains(inWindow(w)))
            return "cut by " + p->objectName().toStdString();
    }
    return {};
}

void expectEveryControlWhole(QMainWindow& window, const std::string& size)
{
    const std::vector<QWidget*> all = controls(window);
    ASSERT_GE(all.size(), 30u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string name = all[i]->objectName().toStdString();
        EXPECT_EQ(wholeness(all[i]), "") << name << " at the " << size;
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            EXPECT_FALSE(inWindow(all[i]).intersects(inWindow(all[j])))
                << name << " and " << all[j]->objectName().toStdString() << " overlap at the " << size;
        }
    }
}

QString screenshotFolder()
{
    return qEnvironmentVariableIsEmpty("KP_SCREENSHOT_DIR") ? QDir::currentPath()
                                                            : qEnvironmentVariable("KP_SCREENSHOT_DIR");
}

// Saves the window's picture and names it in the test's output, where CTest
// picks it up as an attached image.
void attachScreenshot(QWidget& window, const QString& name)
{
    const QString path = QDir(screenshotFolder()).absoluteFilePath(name + QStringLiteral(".png"));
    ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
    ::testing::Test::RecordProperty(name.toStdString(), path.toStdString());
    std::printf("<CTestMeasurementFile type=\"image/png\" name=\"%s\">%s</CTestMeasurementFile>\n",
                qPrintable(name), qPrintable(path));
}

} // namespace

// At the first size, at the smallest, and at the smallest with the browser
// cautions shown, after a run; with a large font the first size grows.
TEST(MainWindowLayout, EveryControlIsWholeAtTheFirstSizeAndAtTheSmallest)
{
    const QFont normalFont = QApplication::font();
    const ScopeGuard restoreFont([&] { QApplication::setFont(normalFont); });
    for (const int pointSize : {0, 14}) {
        const std::string font = pointSize ? " in " + std::to_string(pointSize) + " points" : "";
        const QString pictureSuffix = pointSize ? QStringLiteral("_large_font") : QString();
        QFont appFont = normalFont;
        if (pointSize)
            appFont.setPointSize(pointSize);
        QApplication::setFont(appFont);
        test::RecordingMessages messages;
        AppState state(Keywords({"IE6"}), messages, nullptr);
        TMainForm form(state, cookieRun());
        form.setClosingPause(0);
        const QSize first = form.size();
        EXPECT_GE(first.width(), 620) << font;
        EXPECT_GE(first.height(), 450) << font;
        EXPECT_NEAR(double(first.width()) / first.height(), 620.0 / 450, 0.01) << "designed proportions" << font;
        EXPECT_GE(form.minimumWidth(), 400) << font;
        EXPECT_GE(form.minimumHeight(), 240) << font;
        form.show();
        form.AllOnBtnClick();
        form.PurgeAllSBtnClick();
        auto* caution1 = form.findChild<QLabel*>(QStringLiteral("IEcaution1"));
        auto* caution2 = form.findChild<QLabel*>(QStringLiteral("IEcaution2"));
        ASSERT_TRUE(caution1 && caution2);
        caution1->setText(QStringLiteral("Internet Explorer is active with a visible window."));

        const struct {
            const char* size;
            bool smallest;
            bool cautions;
            const char* picture;
        } cases[] = {
            {"first size", false, false, "main_window"},
            {"smallest size", true, false, "main_window_smallest"},
            {"smallest size with the browser cautions", true, true, "main_window_cautions"},
        };
        for (const auto& c : cases) {
            const std::string where = c.size + font;
            caution1->setVisible(c.cautions);
            caution2->setVisible(c.cautions);
            QApplication::processEvents();
            form.resize(c.smallest ? QSize(1, 1) : first);
            EXPECT_EQ(form.size(), c.smallest ? form.minimumSize() : first) << where;
            expectEveryControlWhole(form, where);
            attachScreenshot(form, QString::fromLatin1(c.picture) + pictureSuffix);
        }
    }
}
