#include "config/windows/visual_style.h"

#include "config/theme_state.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace kp {

void ApplyVisualStyle(const ThemeStates& theme)
{
    if (theme.ThemeState != 1)
        return;
    for (const char* classic : {"Windows", "Fusion"}) {
        if (QStyle* style = QStyleFactory::create(QLatin1String(classic))) {
            QApplication::setStyle(style);
            return;
        }
    }
}

} // namespace kp
