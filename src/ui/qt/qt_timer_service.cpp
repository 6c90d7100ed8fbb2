#include "ui/qt/qt_timer_service.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "ui/qt/qt_aligned_timer.h"
#include "ui/qt/qt_serial_port.h"

namespace corvantis {

// One timer on the wall clock's whole seconds for every timer that ticks on them, so that
// they share its wakes. Each tick runs the active ones in the order they were added; one
// stopped or removed by an earlier one in the same tick does not run.
class QtTimerService::Seconds {
public:
    int Add(std::function<void()> onTick) {
        m_members.push_back({++m_lastId, std::move(onTick), false});
        return m_lastId;
    }
    void SetActive(int id, bool active) {
        for (Member& member : m_members) {
            if (member.id == id) {
                member.active = active;
            }
        }
        Update();
    }
    void Remove(int id) {
        std::erase_if(m_members, [id](const Member& member) { return member.id == id; });
        Update();
    }

private:
    struct Member {
        int id;
        std::function<void()> onTick;
        bool active;
    };

    void Update() {
        const bool any = std::any_of(m_members.begin(), m_members.end(),
                                     [](const Member& member) { return member.active; });
        if (any && !m_running) {
            if (!m_timer) {
                m_timer = CreateSystemAlignedTimer([this] { Tick(); });
            }
            m_timer->Start(WholeSecondTimer::kSecond);
        } else if (!any && m_running) {
            m_timer->Stop();
        }
        m_running = any;
    }
    void Tick() {
        std::vector<int> ids;
        for (const Member& member : m_members) {
            ids.push_back(member.id);
        }
        for (const int id : ids) {
            const auto member = std::find_if(m_members.begin(), m_members.end(),
                                             [id](const Member& each) { return each.id == id; });
            if (member != m_members.end() && member->active) {
                const std::function<void()> onTick = member->onTick;  // may remove itself
                onTick();
            }
        }
    }

    std::unique_ptr<AlignedTimer> m_timer;
    std::vector<Member> m_members;
    int m_lastId = 0;
    bool m_running = false;
};

namespace {

// A timer on the shared whole seconds, whatever interval it is started with.
class SecondsTimer : public PlatformTimer {
public:
    SecondsTimer(std::shared_ptr<QtTimerService::Seconds> seconds, std::function<void()> onTick)
        : m_seconds(std::move(seconds)), m_id(m_seconds->Add(std::move(onTick))) {}
    ~SecondsTimer() override { m_seconds->Remove(m_id); }
    SecondsTimer(const SecondsTimer&) = delete;
    SecondsTimer& operator=(const SecondsTimer&) = delete;

    void Start(std::chrono::milliseconds, bool) override { m_seconds->SetActive(m_id, true); }
    void Stop() override { m_seconds->SetActive(m_id, false); }

private:
    std::shared_ptr<QtTimerService::Seconds> m_seconds;
    int m_id;
};

// Any other timer: a precise QTimer, or an aligned one. An aligned timer of one second joins the
// shared whole seconds, so that it wakes with the window's timers rather than beside them.
class QtPlatformTimer : public PlatformTimer {
public:
    QtPlatformTimer(std::function<void()> onTick, std::shared_ptr<QtTimerService::Seconds> seconds)
        : m_onTick(std::move(onTick)), m_seconds(std::move(seconds)) {
        m_plain.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_plain, &QTimer::timeout, &m_plain, [this] { m_onTick(); });
    }

    void Start(std::chrono::milliseconds interval, bool alignToWallClock) override {
        Stop();
        if (alignToWallClock && interval == WholeSecondTimer::kSecond) {
            if (!m_onSeconds) {
                m_onSeconds = std::make_unique<SecondsTimer>(m_seconds, [this] { m_onTick(); });
            }
            m_onSeconds->Start(interval, true);
        } else if (alignToWallClock) {
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
        if (m_onSeconds) {
            m_onSeconds->Stop();
        }
    }

private:
    std::function<void()> m_onTick;
    std::shared_ptr<QtTimerService::Seconds> m_seconds;
    QTimer m_plain;
    std::unique_ptr<AlignedTimer> m_aligned;
    std::unique_ptr<SecondsTimer> m_onSeconds;
};

// displayTick: whole seconds while the window is shown, and arriving characters.
class DisplayTimer : public PlatformTimer {
public:
    DisplayTimer(QtSerialPort& port, std::function<void()> onTick, bool shown,
                 std::shared_ptr<QtTimerService::Seconds> seconds)
        : m_port(port),
          m_onTick(std::move(onTick)),
          m_seconds(std::move(seconds), m_onTick),
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
    SecondsTimer m_seconds;
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

QtTimerService::QtTimerService() : m_seconds(std::make_shared<Seconds>()) {}
QtTimerService::~QtTimerService() = default;

std::unique_ptr<PlatformTimer> QtTimerService::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<QtPlatformTimer>(std::move(onTick), m_seconds);
}

std::unique_ptr<PlatformTimer> QtTimerService::CreateTimerFor(const std::string& name,
                                                              std::function<void()> onTick) {
    if (m_port == nullptr || !m_visibility) {
        return CreateTimer(std::move(onTick));
    }
    if (name == "SendUDP" || name == "Timer2") {
        return std::make_unique<SecondsTimer>(m_seconds, std::move(onTick));
    }
    if (name == "Timer1") {
        auto timer = std::make_unique<DisplayTimer>(*m_port, std::move(onTick), m_shown, m_seconds);
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
