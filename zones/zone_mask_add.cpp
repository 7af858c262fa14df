#include "zones/zone_mask_add.h"

#include "core/identity.h"
#include "core/message_service.h"
#include "zones/site_url.h"
#include "zones/zone_settings.h"

#include <cmath>

namespace kp {

namespace {

bool plainlyInvalid(const std::string& text)
{
    return text.empty() || text == "*" || text == "*." || text.find('.') == std::string::npos;
}

bool create(ZoneSettings& settings, MessageService& messages, const std::string& text, int zone)
{
    const win::DWORD code = settings.CreateMask(text, zone);
    if (code == win::err::SUCCESS)
        return true;
    messages.show(kZoneMaskCaption, "The Zone Mask could not be added (error " + std::to_string(code) + ").",
                  MsgKind::Warning);
    return false;
}

} // namespace

bool AddZoneMask(ZoneSettings& settings, MessageService& messages, std::string_view maskText, int zone)
{
    const std::string text = trimmedMask(maskText);
    const MaskValidation result = plainlyInvalid(text) ? MaskValidation{1, {}} : settings.ValidateMask(text, zone);
    switch (result.code) {
    case 0:
        return create(settings, messages, text, zone);
    case 1:
    case 2:
        messages.show(kZoneMaskCaption,
                      "The Zone Mask in not in a valid format.\r\n\r\nPlease correct it and try the \"Add\" again.",
                      MsgKind::Warning);
        return false;
    case 8:
        messages.show(kZoneMaskCaption,
                      "The Zone Mask already exists in the system\r\nwith the same Zone reference.\r\n\r\n"
                      "You may modify it and try the \"Add\" again.",
                      MsgKind::Warning);
        return false;
    case 9:
        if (messages.show(kZoneMaskCaption,
                          "The Zone Mask already exists in the system\r\nwith the Zone reference = "
                              + result.existingZone + ".\r\n\r\nDo you wish to override with the new Zone.",
                          MsgKind::Information, Yes | No)
            != Yes)
            return false;
        return create(settings, messages, text, zone);
    default:
        messages.show(kZoneMaskCaption,
                      "The Zone Mask Validation routine retured\r\nan invalid code:   " + std::to_string(result.code)
                          + "\r\n\r\nPlease notify the Vendor.",
                      MsgKind::Warning);
        return false;
    }
}

std::string KlenZonaCaption()
{
    return std::string(identity::ProductName) + " - Add a new Zone Mask";
}

QSize KlenZonaSizeFor(QSize designed, double dpi)
{
    const double excess = dpi - 96;
    if (excess < 10)
        return designed;
    return {int(std::lround(designed.width() * (96 + excess) / 96)),
            int(std::lround(designed.height() * (96 + excess / 2) / 96))};
}

} // namespace kp
