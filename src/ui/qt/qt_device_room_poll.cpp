// OutputRoom on a POSIX descriptor: one poll for POLLOUT with no time-out; QueuedOutput by
// TIOCOUTQ.
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

#include "ui/qt/qt_device_room.h"

namespace corvantis {

DeviceRoom OutputRoom(std::intptr_t handle) {
    if (handle < 0) {
        return DeviceRoom::Gone;
    }
    pollfd watch{static_cast<int>(handle), POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&watch, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        return DeviceRoom::Unknown;
    }
    if ((watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return DeviceRoom::Gone;
    }
    return (watch.revents & POLLOUT) != 0 ? DeviceRoom::Room : DeviceRoom::Full;
}

long QueuedOutput(std::intptr_t handle) {
    int queued = 0;
    if (handle < 0 || ::ioctl(static_cast<int>(handle), TIOCOUTQ, &queued) != 0) {
        return -1;
    }
    return queued;
}

}  // namespace corvantis
