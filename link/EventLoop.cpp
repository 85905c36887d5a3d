#include "EventLoop.h"

#include <QEventLoop>
#include <QTimer>

namespace qz {

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    // QTest::qWaitFor would sleep between rounds of events and add that to every answer.
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start(1);
    if (ms >= 0) {
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    }
    loop.exec();
    return done();
}

} // namespace qz
