// Drawing the frames of the window's read-only text boxes from a picture made once.
#pragma once

#include <QProxyStyle>

namespace corvantis {

// A style for read-only line edits that draws their panel (background and frame) from a cached
// picture of the base style's own drawing, made once per size, state, palette and pixel ratio.
// The PC time box changes every second and the message box every two; drawing their rounded,
// antialiased frames anew each time (Fusion strokes the outline as a path) was most of what a
// shown, idle window cost. The boxes look as they did: the picture is the same drawing, laid
// on the same background. Anything else is drawn by the base style as usual.
class FrameCacheStyle : public QProxyStyle {
public:
    // Based on `base` (taken over), or on the application's style.
    explicit FrameCacheStyle(QStyle* base = nullptr) : QProxyStyle(base) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace corvantis
