#pragma once
// The placement the plugin windows keep in the settings file under their
// own names ("PlugSelForm", "PlugTstForm").

#include <string_view>

class QWidget;

namespace kp {

struct PurgeContext;

// Places `window` as stored under `name`: "Default" keeps the designed size
// where the dialog opens by itself, an unusable text centres it on the
// screen. The general values read alongside are left to the program's copy.
void loadPluginWindowPlacement(QWidget& window, const PurgeContext& context, std::string_view name);

// Stores the placement of `window` (and the general values) under `name`.
void savePluginWindowPlacement(const QWidget& window, const PurgeContext& context, std::string_view name);

} // namespace kp
