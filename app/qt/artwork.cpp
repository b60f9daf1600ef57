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

QString artResource(layout::Art art) {
    switch (art) {
    case layout::Art::Board: return QStringLiteral(":/art/board.svg");
    case layout::Art::SwedishFlag: return flagResource(kSverige);
    case layout::Art::ProgressBar: return QStringLiteral(":/art/progress-bar.svg");
    case layout::Art::Marker: return QStringLiteral(":/art/marker.svg");
    case layout::Art::InfoFace: return QStringLiteral(":/art/info-face.svg");
    case layout::Art::QuitFace: return QStringLiteral(":/art/quit-face.svg");
    case layout::Art::Tile:
    case layout::Art::None: break;
    }
    return {};
}

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

QImage artPicture(layout::Art art, int index, qreal dpr) {
    if (art == layout::Art::Tile)
        return tilePicture(index, dpr);
    if (art == layout::Art::None)
        return {};
    const layout::ArtSize size = layout::artSize(art);
    return renderSvg(artResource(art), size.width, size.height, dpr);
}

QImage iconPicture(int size) { return renderSvg(QStringLiteral(":/art/icon.svg"), size, size, 1.0); }

} // namespace fanbord::qt
