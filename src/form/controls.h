// The window's controls as plain objects: their state, and the reactions that fire when the
// program or the operator changes them.
//
// Reaction rules, the same for every view:
//  - setting a check box to a different value, an option to selected, or a list's selected
//    index from the program runs the control's click reaction exactly as a click would;
//  - setting a list's text runs nothing, and appending entries selects nothing;
//  - every change notifies the control's observers (a view mirrors them), whoever made it.
// The operator's own actions arrive through the Operator* calls, which a view makes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvantis {

// What changed on a control, for observers that mirror the model.
// Ticked: a timer's tick has run its onTick (observers watch a tick without replacing it).
enum class ControlProperty { Text, Value, Selection, Entries, Visible, Enabled, Timing, Ticked };

class Control {
public:
    using Observer = std::function<void(ControlProperty)>;

    explicit Control(std::string name) : m_name(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return m_name; }

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    const std::string& ToolTip() const { return m_toolTip; }
    void SetToolTip(std::string toolTip) { m_toolTip = std::move(toolTip); }

    // Observers run after each change, in the order they were added.
    void AddObserver(Observer observer) { m_observers.push_back(std::move(observer)); }

protected:
    void Notify(ControlProperty property);

private:
    std::string m_name;
    std::string m_toolTip;
    bool m_visible = true;
    bool m_enabled = true;
    std::vector<Observer> m_observers;
};

// A control with a caption: label, button, check box, option, frame.
class CaptionedControl : public Control {
public:
    CaptionedControl(std::string name, std::string caption)
        : Control(std::move(name)), m_caption(std::move(caption)) {}

    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string caption);

private:
    std::string m_caption;
};

class Label : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
};

class Frame : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
};

class Button : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;

    std::function<void()> onClick;
    void OperatorClick();
};

// Check box value: 0 clear, 1 checked, 2 greyed.
class CheckBox : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;

    int Value() const { return m_value; }
    // Refuses values other than 0, 1 and 2 (Failure 380). A different value runs onClick.
    void SetValue(int value);
    // The operator's click: a checked box clears, any other becomes checked.
    void OperatorClick();

    std::function<void()> onClick;

private:
    int m_value = 0;
};

class OptionArray;

// One option button of an OptionArray; selecting one clears the others.
class OptionButton : public CaptionedControl {
public:
    OptionButton(OptionArray& group, int index, std::string caption);

    int Index() const { return m_index; }
    bool Value() const { return m_value; }
    // True selects this option (clearing the others) and runs the array's click reaction,
    // also when it was already selected; false clears it and runs nothing.
    void SetValue(bool value);
    void OperatorClick() { SetValue(true); }

private:
    friend class OptionArray;
    OptionArray& m_group;
    int m_index;
    bool m_value = false;
};

// A control array of option buttons sharing one click reaction, indexed from 0.
class OptionArray {
public:
    OptionArray(std::string name, std::vector<std::string> captions);

    const std::string& Name() const { return m_name; }
    OptionButton& operator[](int index) { return *m_buttons.at(static_cast<std::size_t>(index)); }
    const OptionButton& operator[](int index) const {
        return *m_buttons.at(static_cast<std::size_t>(index));
    }
    int Count() const { return static_cast<int>(m_buttons.size()); }

    // Receives the index of the option selected.
    std::function<void(int index)> onClick;

private:
    friend class OptionButton;
    void Select(int index);

    std::string m_name;
    std::vector<std::unique_ptr<OptionButton>> m_buttons;
};

class TextBox : public Control {
public:
    TextBox(std::string name, std::string text, bool fixedPitch = false)
        : Control(std::move(name)), m_text(std::move(text)), m_fixedPitch(fixedPitch) {}

    const std::string& Text() const { return m_text; }
    void SetText(std::string text);
    // Shown in a fixed-pitch font so fixed-width clock messages line up.
    bool FixedPitch() const { return m_fixedPitch; }

private:
    std::string m_text;
    bool m_fixedPitch;
};

// An editable drop-down list. Its text is independent of its entries and of its selection.
class ComboBox : public Control {
public:
    ComboBox(std::string name, std::string text)
        : Control(std::move(name)), m_text(std::move(text)) {}

    const std::string& Text() const { return m_text; }
    // Sets the text only: the selection stays and no reaction runs.
    void SetText(std::string text);

    // Appends an entry; the selection and the text stay.
    void AddItem(std::string entry);
    int ListCount() const { return static_cast<int>(m_entries.size()); }
    const std::string& List(int index) const {
        return m_entries.at(static_cast<std::size_t>(index));
    }
    const std::vector<std::string>& Entries() const { return m_entries; }

    // Selected index, -1 for none.
    int ListIndex() const { return m_listIndex; }
    // Refuses an index outside -1 .. ListCount()-1 (Failure 380). Selecting an entry makes it
    // the text; -1 leaves the text. Runs onClick every time.
    void SetListIndex(int index);

    // The operator picked an entry (SetListIndex), typed text (SetText only), left the list
    // or pressed a key in it. A pick stays pending until the operator leaves the list.
    void OperatorPick(int index);
    void OperatorEdit(std::string text) { SetText(std::move(text)); }
    void OperatorLeave();
    void OperatorKeyPress(int key);

    // The operator typed `key` (8-bit) at time `at` in a list that only picks: the key reaches
    // onKeyPress, and the list jumps to the first entry whose text starts with the search
    // text, letter case aside (OperatorPick; nothing when it is the entry already shown).
    // Keys typed within kTypeAheadPause of the previous one add to the search text, a longer
    // pause starts it afresh; one character typed again and again steps through the entries
    // that start with it. Returns whether an entry was picked.
    bool OperatorType(char key, std::chrono::milliseconds at);
    static constexpr std::chrono::milliseconds kTypeAheadPause{1000};

    // Whether the operator may type the list's text (OperatorEdit) rather than only pick an
    // entry; views make the lists that do not take typing read-only. False unless set.
    bool TakesTyping() const { return m_takesTyping; }
    void SetTakesTyping(bool takes) { m_takesTyping = takes; }

    // Whether an entry was picked since the operator last left the list.
    bool PickPending() const { return m_pickPending; }
    // Leaves the list (OperatorLeave) when a pick is pending, so the reactions that run when
    // the operator moves on run now: for a window that closes with the focus still in it.
    void FinishPick();

    std::function<void()> onClick;
    std::function<void()> onLostFocus;
    std::function<void(int key)> onKeyPress;

private:
    std::string m_text;
    int TypeAheadMatch() const;

    std::vector<std::string> m_entries;
    int m_listIndex = -1;
    bool m_pickPending = false;
    bool m_takesTyping = false;
    std::string m_typed;  // the type-ahead search text
    std::chrono::milliseconds m_lastTyped{};
};

// A timer control: an interval and an enabled state. A driver (TimerDriver) turns them into
// ticks that call onTick.
class Timer : public Control {
public:
    Timer(std::string name, std::chrono::milliseconds interval, bool alignToWallClock = false)
        : Control(std::move(name)), m_interval(interval), m_alignToWallClock(alignToWallClock) {}

    std::chrono::milliseconds Interval() const { return m_interval; }
    void SetInterval(std::chrono::milliseconds interval);

    // Enabled() is whether the timer runs. SetEnabled(true) starts its period afresh, also
    // when it already ran; SetEnabled(false) stops it.

    // Ticks fall on wall-clock multiples of the interval rather than one interval after start.
    bool AlignToWallClock() const { return m_alignToWallClock; }

    std::function<void()> onTick;
    // Called by the driver at each tick: onTick, then the observers with Ticked.
    void Tick() {
        if (onTick) {
            onTick();
        }
        Notify(ControlProperty::Ticked);
    }

private:
    std::chrono::milliseconds m_interval;
    bool m_alignToWallClock;
};

}  // namespace corvantis
