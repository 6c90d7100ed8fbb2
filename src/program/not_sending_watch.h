// Why nothing goes out to the clocks, said again whenever the reasons change while running.
#pragma once

#include <functional>
#include <string>

#include "form/window.h"
#include "platform/serial_port.h"
#include "settings/ini.h"

namespace corvantis {

// Watches the transmission tick: once per even second the tick handles, it works out the
// not-sending notice (NotSendingNotice: every reason, with the key and file that hold it) and,
// when the text differs from the last one, passes the new text on; empty text means the tick
// can send again. Created after start-up, whose own notice stands for the start.
class NotSendingWatch {
public:
    using Changed = std::function<void(const std::string& notice)>;
    // What is known of the port's failure now (the last failed opening), empty when nothing.
    using PortProblem = std::function<std::string()>;

    // Everything given must outlive this object.
    NotSendingWatch(Window& window, const SerialPort& port, SettingsFiles& settings,
                    PortProblem problem, Changed onChange);

    // The notice as it stands now; empty when nothing stops the next message.
    const std::string& Current() const { return m_last; }

private:
    void Check();
    std::string Notice() const;

    Window& m_window;
    const SerialPort& m_port;
    SettingsFiles& m_settings;
    PortProblem m_problem;
    Changed m_onChange;
    std::string m_last;
    int m_checkedSecond = -1;
};

}  // namespace corvantis
