#include "core/error_level.h"

#include "core/keywords.h"

namespace kp {

void ErrorState::ResetErrorLevel(const Keywords& keywords)
{
    ErrorLevel = 0;
    threshold = 0;
    thresholdPresent = false;
    for (int n : {1, 2, 3, 4, 5, 6, 7, 9}) {
        if (keywords.IsKeywordPresent("LEVEL" + std::to_string(n))) {
            threshold = n;
            thresholdPresent = true;
            break;
        }
    }
    for (int n : {1, 5, 9}) {
        if (keywords.IsKeywordPresent("ERROR" + std::to_string(n))) {
            ErrorLevel = n;
            ErrorFlag = true;
            break;
        }
    }
}

} // namespace kp
