#pragma once
// The run's highest error severity (0..9), the flag that an error line was
// produced, and the show threshold given by LEVEL1..LEVEL9.

namespace kp {

class Keywords;

struct ErrorState {
    int ErrorLevel = 0;
    bool ErrorFlag = false;
    int threshold = 0;
    bool thresholdPresent = false;

    // Raises the level to n; never lowers it.
    void RaiseErrorLevel(int n)
    {
        if (n > ErrorLevel)
            ErrorLevel = n;
    }

    // Level and threshold back to 0, then LEVELn and ERRORn re-applied.
    void ResetErrorLevel(const Keywords& keywords);
};

} // namespace kp
