#include "Platform/Linux/BootClock.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {
// One timerfd, watched by the event loop; nothing wakes the app before it is due.
class BootTimer final : public ClockTimer {
public:
    BootTimer(std::chrono::milliseconds duration, QObject* owner)
        : ClockTimer(owner)
        , m_fd(::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
        const auto ms = std::max<qint64>(duration.count(), 0);
        itimerspec due{};
        due.it_value.tv_sec = time_t(ms / 1000);
        // A zero value would disarm the timer: the shortest wait is a nanosecond.
        due.it_value.tv_nsec = long(ms % 1000) * 1'000'000 + (ms == 0 ? 1 : 0);
        if (m_fd < 0 || ::timerfd_settime(m_fd, 0, &due, nullptr) != 0) {
            // Out of descriptors: a plain precise timer still keeps the app going.
            QTimer::singleShot(duration, Qt::PreciseTimer, this, [this] { fire(); });
            return;
        }
        m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            if (::read(m_fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN)
                return;
            m_notifier->setEnabled(false);
            fire();
        });
    }
    ~BootTimer() override {
        delete m_notifier;
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd;
    QSocketNotifier* m_notifier = nullptr;
};
} // namespace

QDateTime BootClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

ClockTimer* BootClock::startTimer(std::chrono::milliseconds duration, QObject* owner) {
    return new BootTimer(duration, owner);
}
