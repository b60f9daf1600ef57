#include "app/qt/board.h"

#include "app/qt/board_accessible.h"
#include "board/board_keys.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace fanbord::qt {

QImage imageOf(const PictureRef& picture) {
    const auto* qtPicture = dynamic_cast<const QtPicture*>(picture.get());
    return qtPicture ? qtPicture->image : QImage();
}

// --- windowless images and labels

QRect QtItem::rect() const {
    const PixelRect p = place();
    return QRect(p.left, p.top, p.width, p.height);
}

void QtItem::repaint(const PixelRect& a) {
    board_.update(QRect(a.left, a.top, a.width, a.height));
    // Every change of a windowless widget passes here, showing and hiding too.
    if (announcedVisible_ != visible_) {
        announcedVisible_ = visible_;
        announce(visible_ ? QAccessible::ObjectShow : QAccessible::ObjectHide);
    }
}

void QtItem::announce(QAccessible::Event what) {
    announceItem(board_, *this, what);
}

void QtImage::setTooltip(const std::string& text) {
    const bool renamed = text != tooltip_;
    PlacedImage::setTooltip(text);
    if (renamed)
        announce(QAccessible::NameChanged);
}

void QtLabel::setCaption(const std::string& text) {
    const bool renamed = text != caption_;
    PlacedLabel::setCaption(text);
    if (renamed)
        announce(QAccessible::NameChanged);
}

void QtImage::paint(QPainter& p) const {
    const QImage image = imageOf(picture_);
    if (!visible_ || image.isNull())
        return;
    const QSize size = image.deviceIndependentSize().toSize();
    const PixelRect a = pictureArea(size.width(), size.height());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(a.left, a.top, a.width, a.height), image);
}

void QtLabel::paint(QPainter& p) const {
    if (!visible_)
        return;
    if (background.alpha() > 0)
        p.fillRect(rect(), background);
    if (caption_.empty())
        return;
    const QString caption = QString::fromStdString(caption_);
    QFont f = font;
    f.setPixelSize(captionPixels(font.pixelSize(), [&](int pixels) {
        f.setPixelSize(pixels);
        return QFontMetrics(f).horizontalAdvance(caption);
    }));
    p.setFont(f);
    p.setPen(text);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
}

// --- picture boxes

QtPictureBox::QtPictureBox(QWidget* view, int w, int h, QColor background, QImage picture, qreal dpr)
    : PlacedBox(w, h), view_(view), background_(background), picture_(std::move(picture)) {
    layer_ = QImage(qRound(w * dpr), qRound(h * dpr), QImage::Format_ARGB32_Premultiplied);
    layer_.setDevicePixelRatio(dpr);
    layer_.fill(Qt::transparent);
}

void QtPictureBox::clear() {
    layer_.fill(Qt::transparent);
    view_->update();
}

void QtPictureBox::outline(int x1, int y1, int x2, int y2, Rgb colour) {
    // Filled edges rather than a stroked rectangle: exactly one pixel wide at
    // any device pixel ratio.
    QPainter p(&layer_);
    for (const PixelRect& e : outlineEdges(x1, y1, x2, y2))
        p.fillRect(QRect(e.left, e.top, e.width, e.height), QColor(colour.r, colour.g, colour.b));
    p.end();
    view_->update();
}

QImage QtPictureBox::composed() const {
    QImage out(layer_.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(layer_.devicePixelRatio());
    out.fill(background_.isValid() ? background_ : QColor(Qt::transparent));
    QPainter p(&out);
    if (!picture_.isNull())
        p.drawImage(QPointF(0, 0), picture_);
    p.drawImage(QPointF(0, 0), layer_);
    return out;
}

void QtPictureBox::placeWindow(int left, int top) {
    view_->move(left, top);
    announceValue(view_->parentWidget());
}

PictureRef QtPictureBox::snapshot() const { return std::make_shared<QtPicture>(composed()); }

void QtPictureBox::paint(QPainter& p) const { p.drawImage(QPointF(0, 0), composed()); }

void BoxView::paintEvent(QPaintEvent*) {
    if (!box)
        return;
    QPainter p(this);
    box->paint(p);
}

// --- the board

BoardView::BoardView(QWidget* parent, QImage background) : QWidget(parent), background_(std::move(background)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardView::add(QtItem& item, QPoint home) {
    model_.add(item);
    homes_.emplace_back(home, &item);
}

std::vector<BoardView::Part> BoardView::readingOrder() const {
    std::vector<std::pair<QPoint, Part>> parts;
    for (const auto& [home, item] : homes_)
        parts.push_back({home, {item, nullptr}});
    // Child windows stay where the table puts them.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            parts.push_back({child->pos(), {nullptr, child}});
    std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first.y(), a.first.x()) < std::pair(b.first.y(), b.first.x());
    });
    std::vector<Part> order;
    for (const auto& part : parts)
        order.push_back(part.second);
    return order;
}

QtItem* BoardView::keyboardTile() const {
    return keyboardFocus_ && hasFocus() && focusTile_ < int(tiles_.size()) ? tiles_[focusTile_] : nullptr;
}

void BoardView::announceFocus() {
    if (QtItem* tile = keyboardTile())
        announceItem(*this, *tile, QAccessible::Focus);
}

void BoardView::paintSurface(QPainter& p) const {
    p.drawImage(QPointF(0, 0), background_);
    for (const QtItem* item : model_.stacking())
        item->paint(p);
}

QImage BoardView::surface() const {
    QImage out(background_.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(background_.devicePixelRatio());
    out.fill(palette().window().color());
    QPainter p(&out);
    paintSurface(p);
    return out;
}

void BoardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    paintSurface(p);
    // Drawn over the surface, never into it: the flag copy must not pick it up.
    if (const QtItem* tile = keyboardTile()) {
        p.setPen(QPen(QColor(0, 0, 128), 1, Qt::DotLine));
        p.drawRect(tile->rect().adjusted(0, 0, -1, -1));
    }
}

void BoardView::keyPressEvent(QKeyEvent* e) {
    int next = focusTile_;
    switch (e->key()) {
    case Qt::Key_Left: next = tileAfterKey(focusTile_, TileKey::Left); break;
    case Qt::Key_Right: next = tileAfterKey(focusTile_, TileKey::Right); break;
    case Qt::Key_Up: next = tileAfterKey(focusTile_, TileKey::Up); break;
    case Qt::Key_Down: next = tileAfterKey(focusTile_, TileKey::Down); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!keyboardFocus_) {
            keyboardFocus_ = true; // the first key only shows where the user stands
            announceFocus();
        } else if (tiles_[focusTile_]->onClick) {
            tiles_[focusTile_]->onClick();
        }
        update();
        return;
    default: QWidget::keyPressEvent(e); return;
    }
    keyboardFocus_ = true;
    focusTile_ = next;
    announceFocus();
    update();
}

void BoardView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason)
        keyboardFocus_ = true;
    // After the board's own focus news, which follows this event: the tile is where the user stands.
    QMetaObject::invokeMethod(this, &BoardView::announceFocus, Qt::QueuedConnection);
    update();
}

void BoardView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

bool BoardView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const std::string text = model_.tooltipAt(help->pos().x(), help->pos().y());
        if (text.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), QString::fromStdString(text), this);
        return true;
    }
    return QWidget::event(e);
}

void BoardView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        model_.press(e->position().toPoint().x(), e->position().toPoint().y());
}

void BoardView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        model_.release(e->position().toPoint().x(), e->position().toPoint().y());
}

// --- buttons and timers

namespace {

class FaceButton final : public QAbstractButton {
public:
    FaceButton(QWidget* parent, QColor background, QImage face)
        : QAbstractButton(parent), background_(background), face_(std::move(face)) {}

protected:
    // Enter presses the button as Space does.
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
            animateClick();
        else
            QAbstractButton::keyPressEvent(e);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), background_);
        // The face is a little larger than the button; centre it, as a graphical button does.
        const QSizeF face = face_.deviceIndependentSize();
        p.drawImage(QPointF((width() - face.width()) / 2, (height() - face.height()) / 2), face_);
        if (hasFocus()) {
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.drawRect(rect().adjusted(2, 2, -3, -3));
        }
    }

private:
    QColor background_;
    QImage face_;
};

} // namespace

QtButton::QtButton(QWidget* parent, int w, int h, QColor background, QImage face)
    : view_(new FaceButton(parent, background, std::move(face))) {
    view_->resize(w, h);
}

QtTimer::QtTimer(int intervalMs, std::function<void()> onTick) {
    timer_.setInterval(intervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    // Qt holds back a timer whose own handler is still running; a handler that
    // waits must go on hearing its own ticks, so each tick runs as a posted
    // event, after the timer's activation has returned.
    QObject::connect(
        &timer_, &QTimer::timeout, &timer_,
        [this, onTick = std::move(onTick)] {
            if (timer_.isActive())
                onTick();
        },
        Qt::QueuedConnection);
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled == timer_.isActive())
        return;
    if (enabled)
        timer_.start();
    else
        timer_.stop();
}

} // namespace fanbord::qt
