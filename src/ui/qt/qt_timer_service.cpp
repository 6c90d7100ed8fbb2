#include "ui/qt/qt_timer_service.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "ui/qt/qt_aligned_timer.h"
#include "ui/qt/qt_serial_port.h"

namespace corvantis {
namespace {

class QtPlatformTimer : public PlatformTimer {
public:
    explicit QtPlatformTimer(std::function<void()> onTick) : m_onTick(std::move(onTick)) {
        m_plain.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_plain, &QTimer::timeout, &m_plain, [this] { m_onTick(); });
    }

    void Start(std::chrono::milliseconds interval, bool alignToWallClock) override {
        Stop();
        if (alignToWallClock) {
            if (!m_aligned) {
                m_aligned = CreateSystemAlignedTimer([this] { m_onTick(); });
            }
            m_aligned->Start(std::max(interval, std::chrono::milliseconds(1)));
        } else {
            m_plain.start(interval);
        }
    }

    void Stop() override {
        m_plain.stop();
        if (m_aligned) {
            m_aligned->Stop();
        }
    }

private:
    std::function<void()> m_onTick;
    QTimer m_plain;
    std::unique_ptr<AlignedTimer> m_aligned;
};

// Timer1: whole seconds while the window is shown, and arriving characters.
class DisplayTimer : public PlatformTimer {
public:
    DisplayTimer(QtSerialPort& port, std::function<void()> onTick, bool shown)
        : m_port(port),
          m_onTick(std::move(onTick)),
          m_seconds(std::make_unique<QtPlatformTimer>(m_onTick)),
          m_shown(shown) {}
    ~DisplayTimer() override {
        *m_alive = false;
        m_port.SetReadableListener({});
    }
    // False once the timer is gone.
    std::shared_ptr<bool> Alive() const { return m_alive; }
    DisplayTimer(const DisplayTimer&) = delete;
    DisplayTimer& operator=(const DisplayTimer&) = delete;

    void Start(std::chrono::milliseconds, bool) override {
        m_started = true;
        Update();
    }
    void Stop() override {
        m_started = false;
        Update();
    }
    void SetShown(bool shown) {
        m_shown = shown;
        Update();
    }

private:
    void Update() {
        m_port.SetReadableListener(m_started ? m_onTick : std::function<void()>{});
        if (m_started && m_shown) {
            m_seconds.Start(WholeSecondTimer::kSecond, true);
        } else {
            m_seconds.Stop();
        }
    }

    QtSerialPort& m_port;
    std::function<void()> m_onTick;
    WholeSecondTimer m_seconds;
    bool m_started = false;
    bool m_shown;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace

// Watches the window for being shown, hidden, minimised or restored.
class QtTimerService::Visibility : public QObject {
public:
    Visibility(QWidget& window, QtTimerService& service) : m_window(&window), m_service(service) {
        window.installEventFilter(this);
    }

    bool Shown() const { return m_window && m_window->isVisible() && !m_window->isMinimized(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::WindowStateChange:
                m_service.SetShown(Shown());
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_window;
    QtTimerService& m_service;
};

QtTimerService::QtTimerService() = default;
QtTimerService::~QtTimerService() = default;

std::unique_ptr<PlatformTimer> QtTimerService::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<QtPlatformTimer>(std::move(onTick));
}

std::unique_ptr<PlatformTimer> QtTimerService::CreateTimerFor(const std::string& name,
                                                              std::function<void()> onTick) {
    if (m_port == nullptr || !m_visibility) {
        return CreateTimer(std::move(onTick));
    }
    if (name == "SendUDP" || name == "Timer2") {
        return std::make_unique<WholeSecondTimer>(CreateTimer(std::move(onTick)));
    }
    if (name == "Timer1") {
        auto timer = std::make_unique<DisplayTimer>(*m_port, std::move(onTick), m_shown);
        DisplayTimer* raw = timer.get();
        m_shownListeners->push_back([raw, alive = raw->Alive()](bool shown) {
            if (*alive) {
                raw->SetShown(shown);
            }
        });
        return timer;
    }
    return CreateTimer(std::move(onTick));
}

void QtTimerService::FollowWindow(QWidget& window) {
    m_visibility = std::make_unique<Visibility>(window, *this);
    m_shown = m_visibility->Shown();
}

void QtTimerService::FollowPort(QtSerialPort& port) {
    m_port = &port;
}

void QtTimerService::SetShown(bool shown) {
    if (shown == m_shown) {
        return;
    }
    m_shown = shown;
    for (const auto& listener : *m_shownListeners) {
        listener(shown);
    }
}

}  // namespace corvantis
