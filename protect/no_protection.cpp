#include "protect/no_protection.h"

#include "core/identity.h"
#include "platform/host/console.h"

namespace kp {

bool NoProtectionWarningDue(int protectedCount, bool previewFlag, const std::string& cookieMsgOpt)
{
    return protectedCount < 1 && !previewFlag && cookieMsgOpt != "Y";
}

std::string NoProtectionCaption()
{
    return std::string(identity::ProductName) + " - Warning - No Cookies are protected";
}

NoProtectionAnswer AnswerNoProtectionOnConsole()
{
    win::writeStandardError(NoProtectionCaption() + ":\n    No Cookies are marked as Protected.\n    [Bypass]\n");
    return {};
}

QSize NoProtectionSizeFor(QSize designed, double dpi)
{
    if (dpi < 96 + 10)
        return designed;
    const double factor = (96 + 0.15 * (dpi - 96)) / 96;
    return QSize(int(designed.width() * factor), int(designed.height() * factor));
}

} // namespace kp
