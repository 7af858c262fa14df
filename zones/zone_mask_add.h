#pragma once
// What "Add to the indicated Zone" of TKlenZona does with the edited mask:
// validates it, tells the user why it cannot be added, or writes it.

#include <QSize>

#include <string>
#include <string_view>

namespace kp {

class MessageService;
class ZoneSettings;

inline constexpr const char* kZoneMaskCaption = "Klenzor  -  Zone Mask Validation Message";

// True when the mask was written and the dialog closes.
bool AddZoneMask(ZoneSettings& settings, MessageService& messages, std::string_view maskText, int zone);

// The dialog's caption.
std::string KlenZonaCaption();

// The dialog's size on a screen of `dpi` pixels per inch: from 106 up the
// width grows by the excess over 96, the height by half of it.
QSize KlenZonaSizeFor(QSize designed, double dpi);

} // namespace kp
