#include "ui/qt/qt_frame_cache.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyleOptionFrame>

namespace corvantis {

namespace {

// Everything the base style's drawing of the panel depends on.
QString PictureKey(const void* style, const QStyleOptionFrame& frame, qreal ratio) {
    return QStringLiteral("corvantis-frame-%1-%2x%3-%4-%5-%6-%7-%8-%9")
        .arg(reinterpret_cast<quintptr>(style))
        .arg(frame.rect.width())
        .arg(frame.rect.height())
        .arg(static_cast<int>(frame.state))
        .arg(frame.palette.cacheKey())
        .arg(frame.lineWidth)
        .arg(static_cast<int>(frame.features))
        .arg(static_cast<int>(frame.direction))
        .arg(ratio);
}

}  // namespace

void FrameCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    // Only a read-only panel painted without scaling: it has no caret, no hover and no
    // animation a picture could miss.
    if (element != PE_PanelLineEdit || frame == nullptr || !(frame->state & State_ReadOnly) ||
        frame->rect.isEmpty() || painter->transform().type() > QTransform::TxTranslate) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    const QString key = PictureKey(this, *frame, ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap(frame->rect.size() * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        QPainter onPicture(&picture);
        onPicture.setRenderHints(painter->renderHints());
        QProxyStyle::drawPrimitive(element, &atOrigin, &onPicture, widget);
        onPicture.end();
        QPixmapCache::insert(key, picture);
    }
    painter->drawPixmap(frame->rect.topLeft(), picture);
}

}  // namespace corvantis
