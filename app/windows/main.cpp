#include "app/windows/entry.h"
#include "app/windows/guarded_application.h"
#include "core/keywords.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

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
    // Without a display the windows are made offscreen and messages go to
    // standard error.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));

    kp::GuardedApplication app(argc, argv);
    return kp::RunEntrySequence(app, kp::Keywords::fromMain(argc, argv));
}
