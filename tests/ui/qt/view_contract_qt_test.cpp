// The view contract kept by the Qt view, offscreen (the QApplication comes from
// window_view_test.cpp, which shares this program).
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "ui/qt/window_view.h"
#include "ui/view_contract.h"

namespace corvantis::testing {
namespace {

class QtViewBackend {
public:
    explicit QtViewBackend(Window& window) : m_view(window) {}

    void Show() {
        m_view.show();
        m_view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_view));
    }
    bool Drawn(const std::string& name) { return Widget(name)->isVisible(); }
    std::string Shown(const std::string& name) {
        QWidget* widget = Widget(name);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            return label->text().toStdString();
        }
        if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            return frame->title().toStdString();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            return button->text().toStdString();
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            return edit->text().toStdString();
        }
        return qobject_cast<QComboBox*>(widget)->currentText().toStdString();
    }
    int Value(const std::string& name) {
        QWidget* widget = Widget(name);
        if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            return check->checkState() == Qt::Checked            ? 1
                   : check->checkState() == Qt::PartiallyChecked ? 2
                                                                 : 0;
        }
        if (auto* option = qobject_cast<QRadioButton*>(widget)) {
            return option->isChecked() ? 1 : 0;
        }
        return qobject_cast<QComboBox*>(widget)->currentIndex();
    }
    // The focus chain as Tab follows it: the controls' widgets that take the focus by Tab,
    // shown and enabled.
    std::vector<std::string> TabOrder() {
        std::vector<std::string> order;
        for (QWidget* at = m_view.nextInFocusChain(); at != &m_view; at = at->nextInFocusChain()) {
            const bool control = m_view.WidgetFor(at->objectName().toStdString()) == at;
            if (control && (at->focusPolicy() & Qt::TabFocus) != 0 && at->isVisible() &&
                at->isEnabled()) {
                order.push_back(at->objectName().toStdString());
            }
        }
        return order;
    }
    void Click(const std::string& name) { QTest::mouseClick(Widget(name), Qt::LeftButton); }
    void Pick(const std::string& name, int index) {
        auto* combo = qobject_cast<QComboBox*>(Widget(name));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

private:
    QWidget* Widget(const std::string& name) {
        QWidget* widget = m_view.WidgetFor(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    WindowView m_view;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ViewContract, QtViewBackend);

}  // namespace
}  // namespace corvantis::testing
