#include "ui/qt/qt_status_line.h"

#include <QLabel>

namespace corvantis {

QtStatusLine::QtStatusLine(QLabel* line) : m_line(line) {}

void QtStatusLine::ShowWarning(const std::string& text) {
    if (m_line.isNull()) {
        return;
    }
    m_line->setText(QString::fromStdString(text));
    m_line->setVisible(!text.empty());
}

}  // namespace corvantis
