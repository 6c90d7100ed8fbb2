#include "ui/qt/qt_message_dialog.h"

#include <QMessageBox>

namespace corvantis {

void QtMessageDialog::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    const BoxWords words = BoxWordsFor(text, title);
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning,
                    QString::fromStdString(words.title), QString::fromStdString(words.text),
                    QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace corvantis
