#include "ui/qt/qt_drawing.h"

#include <QByteArray>
#include <QtGlobal>

namespace corvantis {

void PreferSocketDrawing() {
    constexpr const char* kNoSharedMemory = "QT_XCB_NO_MITSHM";
    if (!qEnvironmentVariableIsSet(kNoSharedMemory)) {
        qputenv(kNoSharedMemory, QByteArrayLiteral("1"));
    }
}

}  // namespace corvantis
