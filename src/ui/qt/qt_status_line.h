// The warning line as a label in the window.
#pragma once

#include <QPointer>

#include "platform/status_line.h"

class QLabel;

namespace corvantis {

// Shows each warning in `line`, replacing the last one; an empty text hides the line.
// Does nothing once the label is gone.
class QtStatusLine : public StatusLine {
public:
    explicit QtStatusLine(QLabel* line);
    void ShowWarning(const std::string& text) override;

private:
    QPointer<QLabel> m_line;
};

}  // namespace corvantis
