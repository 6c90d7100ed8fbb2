#include "ui/qt/qt_serial_port.h"

#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <chrono>

#include "platform/failure.h"
#include "ui/qt/qt_device_room.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

// Beyond the time the line needs to send what it was handed, how long characters may still
// wait in the device's output queue before they count as held back: a USB adapter passes them
// on in frames of a few milliseconds, a UART as fast as the baud rate allows.
constexpr std::chrono::milliseconds kDrainSlack = 100ms;

std::string ToStd(const QString& text) {
    return text.toStdString();
}

// Whether the user may read and write `device` as far as the file's permissions tell; true
// for names the file system does not know (Windows device names).
bool MayUse(const QString& device) {
    const QFileInfo info(device);
    return !info.exists() || (info.isReadable() && info.isWritable());
}

// What the operator can do about a failed open of `device`.
OpenTrouble TroubleOf(const QSerialPort& port, const QString& device) {
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return OpenTrouble::Absent;
        case QSerialPort::PermissionError:
            return MayUse(device) ? OpenTrouble::InUse : OpenTrouble::NoPermission;
        case QSerialPort::UnsupportedOperationError:
            return OpenTrouble::NotSerial;
        default:
            return OpenTrouble::Other;
    }
}

std::string OpenProblem(const QSerialPort& port, const QString& device) {
    return OpenProblemText(TroubleOf(port, device), ToStd(port.errorString()));
}

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case StopBits::Two:
            return QSerialPort::TwoStop;
        case StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

}  // namespace

QtSerialPort::QtSerialPort(const PortMap& ports) : DeviceSerialPort(ports) {
    // QSerialPort's own buffer passes what it reads on to the port's receive buffer, and is
    // bounded the same way.
    m_port.setReadBufferSize(static_cast<qint64>(kReceiveBufferBytes));
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
    // Queued: readyRead also comes from inside the port's own polls.
    QObject::connect(
        &m_port, &QSerialPort::readyRead, &m_port,
        [this] {
            if (m_readableListener && PortOpen()) {
                m_readableListener();
            }
        },
        Qt::QueuedConnection);
}

QtSerialPort::~QtSerialPort() {
    // The port object dies with the window; the listener belongs to the window too, so it
    // is not told.
    if (m_port.isOpen()) {
        m_port.close();
    }
}

void QtSerialPort::SetPortOpen(bool open) {
    CloseLostDevice();
    if (open) {
        Open();
    } else {
        Close();
    }
}

void QtSerialPort::Open() {
    const QString path = QString::fromStdString(DeviceToOpen());
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        throw Failure(port_error::kPortUnavailable,
                      PortText(m_commPort) + " cannot be opened: " + OpenProblem(m_port, path));
    }
    try {
        ApplySettings(m_settings);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    } catch (const Failure&) {
        m_port.close();
        throw;
    }
    m_open = true;
    m_lost = false;
    ClearReceived();
    NotifyOpenChanged(true);
}

void QtSerialPort::Close() {
    if (!m_open) {
        return;
    }
    m_port.close();
    m_open = false;
    m_lost = false;
    ClearReceived();
    NotifyOpenChanged(false);
}

void QtSerialPort::ApplySettings(const LineSettings& settings) {
    const bool applied =
        m_port.setBaudRate(settings.baud) &&
        m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
        m_port.setParity(ToQt(settings.parity)) && m_port.setStopBits(ToQt(settings.stopBits));
    if (!applied) {
        throw Failure(port_error::kInvalidSettings, PortText(m_commPort) +
                                                        " does not accept the line settings: " +
                                                        ToStd(m_port.errorString()) + ".");
    }
}

std::size_t QtSerialPort::ReadDevice(char* into, std::size_t room) {
    if (m_lost || (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(0))) {
        return 0;
    }
    const qint64 got = m_port.read(into, static_cast<qint64>(room));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void QtSerialPort::DiscardDeviceInput() {
    m_port.clear(QSerialPort::Input);
}

void QtSerialPort::Output(std::string_view text) {
    RequireOpen("write to");
    if (text.empty()) {
        return;
    }
    ThrowIfLost("writing");
    const auto handle = static_cast<std::intptr_t>(m_port.handle());
    const DeviceRoom room = OutputRoom(handle);
    if (room == DeviceRoom::Gone) {
        m_lost = true;
        ThrowIfLost("writing");
    }
    // Anything still queued (here or in the device) once the line has had the time to send
    // all it was handed was held back, and would reach the clocks late.
    const auto now = std::chrono::steady_clock::now();
    const bool heldBack =
        m_port.bytesToWrite() > 0 || (now >= m_drainedBy && QueuedOutput(handle) > 0);
    if (room == DeviceRoom::Full || heldBack) {
        DiscardQueuedOutput(text.size());
    }
    const qint64 size = static_cast<qint64>(text.size());
    if (m_port.write(text.data(), size) != size) {
        ThrowIfLost("writing");
        throw Failure(port_error::kPortUnavailable, "Cannot write to " + PortText(m_commPort) +
                                                        ": " + ToStd(m_port.errorString()) + ".");
    }
    // Hand the text to the device now rather than when the event loop next runs; what the
    // device does not take at once is taken back, so no part of the text follows later.
    m_port.flush();
    ThrowIfLost("writing");
    if (m_port.bytesToWrite() > 0) {
        DiscardQueuedOutput(text.size());
    }
    m_drainedBy = std::max(m_drainedBy, now) + LineTime(text.size(), m_settings) + kDrainSlack;
}

void QtSerialPort::DiscardQueuedOutput(std::size_t size) {
    m_port.clear(QSerialPort::Output);
    ++m_dropped;
    throw Failure(port_error::kOutputBufferFull,
                  PortText(m_commPort) + " cannot take the " + std::to_string(size) +
                      "-character message: its output buffer is full (the device is not "
                      "reading). The message was dropped whole and what was queued was "
                      "discarded; the port stays open.");
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
    if (!m_open || m_lost) {
        return;
    }
    switch (error) {
        case QSerialPort::ResourceError:
        case QSerialPort::WriteError: {
            // A write the device refused for want of room is not a removal: the unsent rest
            // stays with QSerialPort and Output drops what comes while it is there.
            const DeviceRoom room = OutputRoom(static_cast<std::intptr_t>(m_port.handle()));
            if (room == DeviceRoom::Room || room == DeviceRoom::Full) {
                break;
            }
            [[fallthrough]];
        }
        case QSerialPort::ReadError:
            // The device no longer answers (a read that ends the stream, a failed write).
            // Closing here would pull the device out from under QSerialPort's own code that
            // is reporting the error, so the close happens when that code has returned: at
            // the end of the current operation, or from the event loop.
            m_lost = true;
            QMetaObject::invokeMethod(
                &m_port, [this] { CloseLostDevice(); }, Qt::QueuedConnection);
            break;
        default:
            break;
    }
}

void QtSerialPort::CloseLostDevice() {
    if (!m_lost) {
        return;
    }
    m_lost = false;
    m_port.close();
    m_open = false;
    ClearReceived();
    NotifyOpenChanged(false);
}

void QtSerialPort::ThrowIfLost(std::string_view operation) {
    if (!m_lost) {
        return;
    }
    const std::string reason = ToStd(m_port.errorString());
    CloseLostDevice();
    throw LostFailure(operation, reason);
}

}  // namespace corvantis
