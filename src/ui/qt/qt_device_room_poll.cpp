// OutputRoom on a POSIX descriptor: one poll for POLLOUT with no time-out.
#include <poll.h>

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

}  // namespace corvantis
