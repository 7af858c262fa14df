#include "app/single_instance.h"
#include "app/windowless_run.h"
#include "app/windows/entry.h"
#include "app/windows/guarded_application.h"
#include "core/keywords.h"
#include "core/run_mode.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

namespace {

// Qt's platform shows windows: QT_QPA_PLATFORM names one other than
// offscreen or minimal, or, without it, an X or Wayland display is set.
bool displayNamed()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM").split(':').first();
    if (!platform.isEmpty())
        return platform != "offscreen" && platform != "minimal";
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kp::usageText(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(kp::versionText(), stdout);
            return 0;
        }
    }
    if (!displayNamed()) {
        // Without a runtime folder Qt would say so on standard error, which
        // is the program's own there.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(kp::SingleInstanceGuard::runtimeFolder()));
        // An unattended run needs no window at all; any other start makes
        // its windows offscreen and sends messages to standard error.
        if (kp::ReadRunMode(kp::Keywords::fromMain(argc, argv)).unattended()) {
            QCoreApplication app(argc, argv);
            return kp::RunWindowless(kp::Keywords::fromMain(argc, argv));
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }

    kp::GuardedApplication app(argc, argv);
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("klenpro"));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("klenpro")));
    return kp::RunEntrySequence(kp::Keywords::fromMain(argc, argv));
}
