#include "app/qt/artwork.h"

#include "app/layout.h"
#include "catalogue/catalogue.h"

#include <QFont>
#include <QPainter>
#include <QSvgRenderer>

namespace fanbord::qt {

namespace {

QImage blank(int w, int h, qreal dpr) {
    QImage img(qRound(w * dpr), qRound(h * dpr), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    img.setDevicePixelRatio(dpr);
    return img;
}

QString fromView(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QString flagResource(int piece) { return QStringLiteral(":/flags/%1.svg").arg(fromView(kPieces[piece].slug)); }

} // namespace

QImage renderSvg(const QString& resource, int w, int h, qreal dpr) {
    QImage img = blank(w, h, dpr);
    QSvgRenderer svg(resource);
    if (!svg.isValid())
        return img;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&p, QRectF(0, 0, w, h));
    return img;
}

void paintCloth(QPainter& p, int nation, const QRectF& cloth) {
    QSvgRenderer flag(flagResource(nation));
    p.save();
    p.setClipRect(cloth, Qt::IntersectClip);
    flag.render(&p, cloth);
    p.restore();
}

QImage boardPicture(qreal dpr) { return renderSvg(QStringLiteral(":/art/board.svg"), 572, 420, dpr); }

QImage tilePicture(int nation, qreal dpr) {
    using namespace layout;
    QImage img = renderSvg(QStringLiteral(":/art/tile-frame.svg"), kTileWidth, kTileHeight, dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintCloth(p, nation, QRectF(kClothLeft, kClothTop, kClothWidth, kClothHeight));

    // The name sits in rows 56 to 62: a small bold sans whose capitals are seven pixels high.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 200));
    const QString name = fromView(kPieces[nation].tileName);
    const qreal width = QFontMetricsF(font).horizontalAdvance(name);
    p.drawText(QPointF((kTileWidth - width) / 2, 63), name);
    return img;
}

QImage swedishFlagPicture(qreal dpr) {
    return renderSvg(flagResource(kSverige), layout::kClothWidth, layout::kClothHeight, dpr);
}
QImage progressBarPicture(qreal dpr) { return renderSvg(QStringLiteral(":/art/progress-bar.svg"), 452, 16, dpr); }
QImage markerPicture(qreal dpr) { return renderSvg(QStringLiteral(":/art/marker.svg"), 10, 10, dpr); }
QImage infoFacePicture(qreal dpr) { return renderSvg(QStringLiteral(":/art/info-face.svg"), 64, 32, dpr); }
QImage quitFacePicture(qreal dpr) { return renderSvg(QStringLiteral(":/art/quit-face.svg"), 64, 32, dpr); }
QImage iconPicture(int size) { return renderSvg(QStringLiteral(":/art/icon.svg"), size, size, 1.0); }

} // namespace fanbord::qt
