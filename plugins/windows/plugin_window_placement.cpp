#include "plugins/windows/plugin_window_placement.h"

#include "purge/purge_context.h"
#include "settings/general_settings.h"
#include "settings/settings_file.h"
#include "settings/window_placement.h"
#include "settings/window_settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kp {

void loadPluginWindowPlacement(QWidget& window, const PurgeContext& context, std::string_view name)
{
    if (!context.machine)
        return;
    SettingsFile file(*context.machine, context.folders);
    GeneralSettings reread = context.general;
    const std::string text = LoadWindowSettings(file, name, reread, context.keywords);

    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    ScreenMetrics metrics;
    if (screen) {
        metrics.width = screen->geometry().width();
        metrics.height = screen->geometry().height();
        metrics.pixelsPerInch = qRound(screen->logicalDotsPerInchY());
    }
    const WindowPlacement p = PlaceWindow(text, metrics, window.height(), window.width());
    const QSize size = QSize(p.width, p.height).expandedTo(window.minimumSize());
    window.resize(size);
    if (p.kind == WindowPlacement::Centred)
        window.move((metrics.width - size.width()) / 2, (metrics.height - size.height()) / 2);
    else if (p.kind == WindowPlacement::Stored)
        window.move(p.left, p.top);
    window.setWindowState(p.maximised ? Qt::WindowMaximized : Qt::WindowNoState);
}

void savePluginWindowPlacement(const QWidget& window, const PurgeContext& context, std::string_view name)
{
    if (!context.machine)
        return;
    std::string text;
    if (window.isMaximized()) {
        text = FormatPlacement({2});
    } else {
        const QRect r = window.isMinimized() ? window.normalGeometry() : QRect(window.pos(), window.size());
        text = FormatPlacement({window.isMinimized() ? 1 : 0, r.top(), r.left(), r.height(), r.width()});
    }
    SettingsFile file(*context.machine, context.folders);
    SaveWindowSettings(file, name, text, context.general);
}

} // namespace kp
