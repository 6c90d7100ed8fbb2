// Message boxes as Qt dialogs.
#pragma once

#include "platform/message_dialog.h"

class QWidget;

namespace corvantis {

class QtMessageDialog : public MessageDialog {
public:
    explicit QtMessageDialog(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    QWidget* m_parent;
};

}  // namespace corvantis
