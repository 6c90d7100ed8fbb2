// OutputRoom and QueuedOutput where the system offers no way to ask: always unknown, so a
// write is tried.
#include "ui/qt/qt_device_room.h"

namespace corvantis {

DeviceRoom OutputRoom(std::intptr_t) {
    return DeviceRoom::Unknown;
}

long QueuedOutput(std::intptr_t) {
    return -1;
}

}  // namespace corvantis
