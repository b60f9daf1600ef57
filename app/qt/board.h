#pragma once
// The Qt widgets behind the seam. Images and labels are windowless: the board
// paints them onto its own surface in stacking order, as the block copy
// expects. Picture boxes and buttons are child windows.
#include "app/platform.h"
#include "board/board_item.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFont>
#include <QImage>
#include <QPainter>
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

// A windowless widget, drawn on the board's surface and repainted through it.
class QtItem : public Placed {
public:
    QtItem(const layout::WidgetRow& row, BoardView& board) : Placed(row), board_(board) {}
    virtual void paint(QPainter& p) const = 0;
    QRect rect() const;

protected:
    void repaint(const PixelRect& area) override;
    // Tells assistive technology what changed.
    void announce(QAccessible::Event what);
    BoardView& board_;

private:
    bool announcedVisible_ = true;
};

class QtImage final : public PlacedImage<QtItem> {
public:
    using PlacedImage::PlacedImage;
    void paint(QPainter& p) const override;
    void setTooltip(const std::string& text) override; // its accessible name
};

class QtLabel final : public PlacedLabel<QtItem> {
public:
    using PlacedLabel::PlacedLabel;
    void paint(QPainter& p) const override;
    void setCaption(const std::string& text) override; // its accessible name

    QFont font;                          // at the table's size; a caption that does not fit steps down from it
    QColor text = Qt::black;             // caption colour
    QColor background = Qt::transparent; // transparent: the board shows through
};

// A picture box: a child window with a background picture and a run-time
// drawing layer; with a backing image the layer is what it keeps.
class QtPictureBox final : public PlacedBox {
public:
    QtPictureBox(QWidget* view, int w, int h, QColor background, QImage picture, qreal dpr);
    void clear() override;
    void outline(int x1, int y1, int x2, int y2, Rgb colour) override;
    PictureRef snapshot() const override;

    // What the box shows: background, background picture, run-time drawing.
    QImage composed() const;
    QImage& layer() { return layer_; }
    void paint(QPainter& p) const;
    QWidget* view() const { return view_; }

protected:
    void placeWindow(int left, int top) override;
    void showWindow(bool visible) override { view_->setVisible(visible); }

private:
    QWidget* view_; // its child window; the board itself for Pico
    QColor background_;
    QImage picture_;
    QImage layer_;
};

class BoardView final : public QWidget {
    Q_OBJECT // so that a search among a window's children finds the board and nothing else

public:
    BoardView(QWidget* parent, QImage background);
    // `home` is where the table puts the item: its place in the reading order.
    void add(QtItem& item, QPoint home);
    void addTile(QtImage* tile) { tiles_.push_back(tile); }
    const std::vector<QtItem*>& stacking() const { return model_.stacking(); }

    // What assistive technology lists on the board: each windowless item or
    // child window, in reading order of where they start, so that no later
    // move reorders them.
    struct Part {
        QtItem* item = nullptr;
        QWidget* window = nullptr;
    };
    std::vector<Part> readingOrder() const;
    // The tile a keyboard user stands on, while the board has the focus.
    QtItem* keyboardTile() const;

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
    void announceFocus();

    QImage background_;
    BoardModel<QtItem> model_;
    std::vector<std::pair<QPoint, QtItem*>> homes_; // where the table puts each item
    std::vector<QtImage*> tiles_;                   // the thirty flags, for the keys

    // The tile a keyboard user stands on; the frame shows only once the keys are used.
    int focusTile_ = 0;
    bool keyboardFocus_ = false;
};

// Paints a picture box onto its child window.
class BoxView final : public QWidget {
public:
    explicit BoxView(QWidget* parent) : QWidget(parent) {}
    QtPictureBox* box = nullptr;
    bool progressBar = false; // the box inside it is the marker: where it stands is the share played

protected:
    void paintEvent(QPaintEvent*) override;
};

class QtButton final : public PlacedChild<Button> {
public:
    QtButton(QWidget* parent, int w, int h, QColor background, QImage face);
    QAbstractButton* view() const { return view_; }

protected:
    void placeWindow(int left, int top) override { view_->move(left, top); }
    void showWindow(bool visible) override { view_->setVisible(visible); }

private:
    QAbstractButton* view_;
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
