#include "ui/qt/clock_faces.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace corvantis {

namespace {

constexpr int kFaceSize = 220;    // pixels, the dial's bounding square
constexpr int kTextHeight = 110;  // room under each dial for the words
constexpr int kMargin = 16;
constexpr int kFaceWidth = kFaceSize + 2 * kMargin + 60;

// A hand at `turns` of a full turn (0 at twelve o'clock), `length` of the radius.
void DrawHand(QPainter& painter, double turns, double length, double width, const QColor& color) {
    const double angle = turns * 2 * std::numbers::pi;
    const double radius = kFaceSize / 2.0;
    const QPointF tip(std::sin(angle) * radius * length, -std::cos(angle) * radius * length);
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), tip);
}

void DrawDial(QPainter& painter) {
    const double radius = kFaceSize / 2.0;
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 4));
    painter.setBrush(QColor(0xfb, 0xf8, 0xf0));
    painter.drawEllipse(QPointF(0, 0), radius, radius);
    for (int mark = 0; mark < 60; ++mark) {
        const double angle = mark / 60.0 * 2 * std::numbers::pi;
        const bool hour = mark % 5 == 0;
        const double inner = radius * (hour ? 0.82 : 0.9);
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), hour ? 4 : 1.5));
        painter.drawLine(
            QPointF(std::sin(angle) * inner, -std::cos(angle) * inner),
            QPointF(std::sin(angle) * radius * 0.96, -std::cos(angle) * radius * 0.96));
    }
}

}  // namespace

ClockFaces::ClockFaces(const ClockGroup& group, std::function<ClockModel::Millis()> steadyNow,
                       QWidget* parent)
    : QWidget(parent), m_group(group), m_steadyNow(std::move(steadyNow)) {
    setWindowTitle(QStringLiteral("Vesper clocks"));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0xe8, 0xe6, 0xe1));
    setPalette(background);
}

QSize ClockFaces::sizeHint() const {
    const int count = std::max<int>(1, static_cast<int>(m_group.Clocks().size()));
    return {count * kFaceWidth, kFaceSize + kTextHeight + 2 * kMargin};
}

void ClockFaces::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ClockModel::Millis now = m_steadyNow();
    int column = 0;
    for (const ClockModel& clock : m_group.Clocks()) {
        const int left = column++ * kFaceWidth;
        painter.save();
        painter.translate(left + kFaceWidth / 2.0, kMargin + kFaceSize / 2.0);
        DrawDial(painter);
        const auto shown = clock.Shown(now);
        if (shown) {
            const DateTime& t = shown->time;
            const double seconds = t.second;
            const double minutes = t.minute + seconds / 60.0;
            const double hours = t.hour % 12 + minutes / 60.0;
            DrawHand(painter, hours / 12.0, 0.5, 7, QColor(0x20, 0x20, 0x20));
            DrawHand(painter, minutes / 60.0, 0.78, 4.5, QColor(0x20, 0x20, 0x20));
            DrawHand(painter, seconds / 60.0, 0.86, 1.5, QColor(0xb0, 0x1e, 0x1e));
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x20, 0x20, 0x20));
        painter.drawEllipse(QPointF(0, 0), 6, 6);
        painter.restore();

        QStringList lines;
        lines << QStringLiteral("Clock %1").arg(clock.Address());
        lines << (shown ? QString::fromStdString(ShownTimeInWords(shown->time)) +
                              (shown->daylightSaving ? QStringLiteral(" (daylight saving)")
                                                     : QString())
                        : QStringLiteral("no time yet"));
        lines << (clock.Rules() ? QString::fromStdString(RulesInWords(*clock.Rules()))
                                : QStringLiteral("no display rules yet"));
        for (const std::string& warning : clock.Warnings(now)) {
            lines << QString::fromStdString("warning: " + warning);
        }
        painter.setPen(QColor(0x20, 0x20, 0x20));
        const QRect words(left + kMargin / 2, kMargin * 2 + kFaceSize, kFaceWidth - kMargin,
                          kTextHeight - kMargin);
        painter.drawText(words, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         lines.join(QLatin1Char('\n')));
    }
}

}  // namespace corvantis
