#include "form/controls.h"

#include <algorithm>
#include <cctype>

#include "platform/failure.h"

namespace corvantis {

namespace {
[[noreturn]] void RefuseValue() {
    throw Failure(error::kInvalidPropertyValue, "Invalid property value");
}
}  // namespace

void Control::SetVisible(bool visible) {
    m_visible = visible;
    Notify(ControlProperty::Visible);
}

void Control::SetEnabled(bool enabled) {
    m_enabled = enabled;
    Notify(ControlProperty::Enabled);
}

void Control::Notify(ControlProperty property) {
    for (const auto& observer : m_observers) {
        observer(property);
    }
}

void CaptionedControl::SetCaption(std::string caption) {
    m_caption = std::move(caption);
    Notify(ControlProperty::Text);
}

void Button::OperatorClick() {
    if (onClick) {
        onClick();
    }
}

void CheckBox::SetValue(int value) {
    if (value < 0 || value > 2) {
        RefuseValue();
    }
    if (value == m_value) {
        return;
    }
    m_value = value;
    Notify(ControlProperty::Value);
    if (onClick) {
        onClick();
    }
}

void CheckBox::OperatorClick() {
    SetValue(m_value == 1 ? 0 : 1);
}

OptionButton::OptionButton(OptionArray& group, int index, std::string caption)
    : CaptionedControl(group.Name() + "(" + std::to_string(index) + ")", std::move(caption)),
      m_group(group),
      m_index(index) {}

void OptionButton::SetValue(bool value) {
    if (value) {
        m_group.Select(m_index);
        return;
    }
    if (m_value) {
        m_value = false;
        Notify(ControlProperty::Value);
    }
}

OptionArray::OptionArray(std::string name, std::vector<std::string> captions)
    : m_name(std::move(name)) {
    int index = 0;
    for (auto& caption : captions) {
        m_buttons.push_back(std::make_unique<OptionButton>(*this, index++, std::move(caption)));
    }
}

void OptionArray::Select(int index) {
    for (auto& button : m_buttons) {
        const bool selected = button->m_index == index;
        if (button->m_value != selected) {
            button->m_value = selected;
            button->Notify(ControlProperty::Value);
        }
    }
    if (onClick) {
        onClick(index);
    }
}

void TextBox::SetText(std::string text) {
    m_text = std::move(text);
    Notify(ControlProperty::Text);
}

void ComboBox::SetText(std::string text) {
    m_text = std::move(text);
    Notify(ControlProperty::Text);
}

void ComboBox::AddItem(std::string entry) {
    m_entries.push_back(std::move(entry));
    Notify(ControlProperty::Entries);
}

void ComboBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) {
        RefuseValue();
    }
    m_listIndex = index;
    if (index >= 0) {
        m_text = m_entries[static_cast<std::size_t>(index)];
    }
    Notify(ControlProperty::Selection);
    if (onClick) {
        onClick();
    }
}

void ComboBox::OperatorPick(int index) {
    m_pickPending = true;
    SetListIndex(index);
}

void ComboBox::OperatorLeave() {
    m_pickPending = false;
    if (onLostFocus) {
        onLostFocus();
    }
}

void ComboBox::OperatorKeyPress(int key) {
    if (onKeyPress) {
        onKeyPress(key);
    }
}

void ComboBox::FinishPick() {
    if (m_pickPending) {
        OperatorLeave();
    }
}

bool ComboBox::OperatorType(char key, std::chrono::milliseconds at) {
    OperatorKeyPress(static_cast<unsigned char>(key));
    if (m_typed.empty() || at - m_lastTyped > kTypeAheadPause || at < m_lastTyped) {
        m_typed.clear();
    }
    m_lastTyped = at;
    m_typed += static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    const int match = TypeAheadMatch();
    if (match < 0 ||
        (match == m_listIndex && m_text == m_entries[static_cast<std::size_t>(match)])) {
        return false;
    }
    OperatorPick(match);
    return true;
}

int ComboBox::TypeAheadMatch() const {
    // One character again and again steps on from the entry shown; a longer search text is
    // looked for from the entry shown itself, so typing on keeps the entry that still fits.
    const bool repeated =
        m_typed.find_first_not_of(m_typed.front()) == std::string::npos && m_typed.size() > 1;
    const std::string wanted = repeated ? m_typed.substr(0, 1) : m_typed;
    const int count = ListCount();
    const int from = std::max(m_listIndex, 0) + (repeated ? 1 : 0);
    for (int step = 0; step < count; ++step) {
        const int index = (from + step) % count;
        const std::string& entry = m_entries[static_cast<std::size_t>(index)];
        const bool starts =
            entry.size() >= wanted.size() &&
            std::equal(wanted.begin(), wanted.end(), entry.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            });
        if (starts) {
            return index;
        }
    }
    return -1;
}

void Timer::SetInterval(std::chrono::milliseconds interval) {
    m_interval = interval;
    Notify(ControlProperty::Timing);
}

}  // namespace corvantis
