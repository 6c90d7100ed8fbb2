// The clocks of one line as analog faces: one face a clock, with its address, the time its
// hands show in digits, its rules in words and its warnings underneath.
#pragma once

#include <QWidget>

#include <functional>

#include "clock/clock_group.h"

namespace corvantis {

class ClockFaces : public QWidget {
public:
    // Paints `group` as it stands at the time `steadyNow` gives; repaints on Refresh().
    ClockFaces(const ClockGroup& group, std::function<ClockModel::Millis()> steadyNow,
               QWidget* parent = nullptr);

    void Refresh() { update(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ClockGroup& m_group;
    std::function<ClockModel::Millis()> m_steadyNow;
};

}  // namespace corvantis
