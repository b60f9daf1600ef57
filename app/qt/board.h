#pragma once
// The Qt widgets behind the seam. Images and labels are windowless: the board
// paints them onto its own surface in stacking order, as the block copy
// expects. Picture boxes and buttons are child windows.
#include "app/board_item.h"
#include "app/platform.h"

#include <QAbstractButton>
#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

namespace fanbord::qt {

struct QtPicture final : Picture {
    explicit QtPicture(QImage i) : image(std::move(i)) {}
    QImage image;
};

QImage imageOf(const PictureRef& picture);

class BoardView;

// Repaints part of the board; the windowless widgets live on its surface.
void repaintBoard(BoardView& board, const QRect& area);

// A windowless widget on the board, repainted through it.
template <class Seam> class BoardItem : public PlacedItem<Seam> {
public:
    BoardItem(BoardView& board, int w, int h) : PlacedItem<Seam>(w, h), board_(board) {}
    QRect rect() const {
        const PixelRect p = this->place();
        return QRect(p.left, p.top, p.width, p.height);
    }

protected:
    void repaint(const PixelRect& a) override { repaintBoard(board_, QRect(a.left, a.top, a.width, a.height)); }
    BoardView& board_;
};

class QtImage final : public BoardItem<Image> {
public:
    QtImage(BoardView& board, int w, int h, bool stretch) : BoardItem(board, w, h), stretch_(stretch) {}
    std::string tooltip() const override { return tooltip_; }
    void setTooltip(const std::string& text) override { tooltip_ = text; }
    PictureRef picture() const override { return picture_; }
    void setPicture(PictureRef picture) override;

    void paint(QPainter& p) const;
    std::function<void()> onClick;

private:
    bool stretch_;
    std::string tooltip_;
    PictureRef picture_;
};

class QtLabel final : public BoardItem<Label> {
public:
    using BoardItem::BoardItem;
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override;

    void paint(QPainter& p) const;
    std::string tooltip;
    QFont font;
    QColor text = Qt::black;
    QColor background = Qt::transparent;

private:
    std::string caption_;
};

// A picture box: a child window with a background picture and a run-time
// drawing layer; with a backing image the layer is what it keeps.
class BoxView;
class QtPictureBox final : public PictureBox {
public:
    QtPictureBox(QWidget* view, int w, int h, QColor background, QImage picture, qreal dpr);
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double left, double top) override;
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override;
    void clear() override;
    void outline(int x1, int y1, int x2, int y2, Rgb colour) override;
    int innerWidth() const override { return w_; }
    int width() const override { return w_; }
    int height() const override { return h_; }
    PictureRef snapshot() const override;

    // What the box shows: background, background picture, run-time drawing.
    QImage composed() const;
    QImage& layer() { return layer_; }
    void paint(QPainter& p) const;
    QWidget* view() const { return view_; }

private:
    QWidget* view_;
    int w_, h_;
    double left_ = 0, top_ = 0;
    bool visible_ = true;
    QColor background_;
    QImage picture_;
    QImage layer_;
};

class BoardView final : public QWidget {
public:
    BoardView(QWidget* parent, QImage background);
    void addImage(QtImage* image) { images_.push_back(image); stacking_.push_back({image, nullptr}); }
    void addTile(QtImage* tile) { tiles_.push_back(tile); }
    void addLabel(QtLabel* label) { stacking_.push_back({nullptr, label}); }
    // What assistive technology sees: the tiles, then the caption lines.
    int accessibleItemCount() const { return int(tiles_.size() + captions_.size()); }
    bool accessibleItemIsTile(int i) const { return i < int(tiles_.size()); }
    QString accessibleItemName(int i) const;
    QRect accessibleItemRect(int i) const;
    int accessibleFocusedItem() const { return keyboardFocus_ ? focusTile_ : -1; }
    void addCaption(QtLabel* label) { captions_.push_back(label); }

    // The board as displayed, without its child windows, at device resolution.
    QImage surface() const;
    void paintSurface(QPainter& p) const;

protected:
    void paintEvent(QPaintEvent*) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QtImage* imageAt(QPoint p) const;
    struct Item {
        QtImage* image;
        QtLabel* label;
    };
    QImage background_;
    std::vector<QtImage*> images_;
    std::vector<QtImage*> tiles_;
    std::vector<QtLabel*> captions_;
    std::vector<Item> stacking_;
    QtImage* pressed_ = nullptr;
    // The tile a keyboard user stands on; the frame shows only once the keys are used.
    int focusTile_ = 0;
    bool keyboardFocus_ = false;
};

// Paints a picture box onto its child window.
class BoxView final : public QWidget {
public:
    explicit BoxView(QWidget* parent) : QWidget(parent) {}
    QtPictureBox* box = nullptr;

protected:
    void paintEvent(QPaintEvent*) override;
};

class QtButton final : public Button {
public:
    QtButton(QWidget* parent, int w, int h, QColor background, QImage face);
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double left, double top) override;
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override;
    QAbstractButton* view() const { return view_; }

private:
    QAbstractButton* view_;
    double left_ = 0, top_ = 0;
    bool visible_ = true;
};

class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, std::function<void()> onTick);
    void setEnabled(bool enabled) override;
    bool enabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace fanbord::qt
