#include "platform/wine_server_check.h"

#include "platform/wine_session.h"

namespace kp::win {

bool wineServerRunning(const std::string& prefixDir)
{
    return detectWineSession(prefixDir).running;
}

} // namespace kp::win
