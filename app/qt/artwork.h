#pragma once
// The program's pictures, rendered from the vector sources built into it, at
// the screen's device pixel ratio so they stay crisp on HiDPI screens.
#include "app/layout.h"

#include <QImage>
#include <QString>

class QPainter;

namespace fanbord::qt {

// An SVG resource rendered to logical size w x h at the given ratio; a missing
// resource gives a transparent picture.
QImage renderSvg(const QString& resource, int w, int h, qreal dpr);

// A nation's flag cloth drawn into its rectangle; nothing of the artwork lands
// outside it, whatever the drawing's own extent.
void paintCloth(QPainter& p, int nation, const QRectF& cloth);

// A picture of the board at its size; a tile's is its frame, the flag cloth
// of nation `index` and the nation's name. Art::None gives a null image.
QImage artPicture(layout::Art art, int index, qreal dpr);
QImage iconPicture(int size);

} // namespace fanbord::qt
