#pragma once
// Lets the event loop run during a long walk often enough for the window to
// stay live and Cancel to be seen, but not once per item: a pass of the
// event loop costs far more than deleting a small file.

#include <QElapsedTimer>

namespace kp {

class EventPacer {
public:
    EventPacer();
    // Processes pending events when the last pass is older than the interval.
    void poll();

private:
    QElapsedTimer sinceLastPass_;
};

} // namespace kp
