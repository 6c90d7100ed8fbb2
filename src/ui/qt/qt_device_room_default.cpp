// OutputRoom where the system offers no way to ask: always Unknown, so a write is tried.
#include "ui/qt/qt_device_room.h"

namespace corvantis {

DeviceRoom OutputRoom(std::intptr_t) {
    return DeviceRoom::Unknown;
}

}  // namespace corvantis
