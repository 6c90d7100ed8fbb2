// Running without a display on Linux: operator words read from standard input on the Qt
// event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "app/console/console.h"

namespace corvantis {

class Window;

// Reads operator words from standard input, one a line, and runs their buttons' handlers.
// The end of input changes nothing: the program keeps running.
class StdinCommands : public QObject {
public:
    explicit StdinCommands(Window& w);

private:
    void ReadAvailable();

    OperatorLines m_lines;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace corvantis
