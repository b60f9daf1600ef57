#include "app/qt/board_accessible.h"

#include "app/qt/board.h"

#include <QAccessibleWidget>

#include <algorithm>
#include <map>

namespace fanbord::qt {

namespace {

// A windowless image or label. A tile is a button whose Press runs what a
// click runs; other images are pictures named by their tooltips, labels are
// named by their captions (or, without one, by their tooltips).
class ItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemAccessible(QAccessibleInterface* board, BoardView* view, QtItem* item)
        : board_(board), view_(view), item_(item), label_(dynamic_cast<QtLabel*>(item)) {}
    QtItem* item() const { return item_; }

    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return board_->window(); }
    QAccessibleInterface* parent() const override { return board_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return {};
        const std::string caption = label_ ? label_->caption() : std::string();
        return QString::fromStdString(caption.empty() ? item_->tooltip() : caption);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect r = item_->rect();
        return QRect(view_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        if (label_)
            return QAccessible::StaticText;
        return pressable() ? QAccessible::Button : QAccessible::Graphic;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !item_->shown() || !view_->isVisible();
        s.disabled = !view_->isEnabled();
        s.focusable = pressable();
        s.focused = view_->keyboardTile() == item_;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface && pressable() ? static_cast<QAccessibleActionInterface*>(this)
                                                                   : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override {
        if (name != pressAction())
            return;
        // Answered at once; the click runs from the event loop, as a mouse click does.
        QMetaObject::invokeMethod(
            view_,
            [view = view_, item = item_] {
                if (view->isEnabled() && item->shown() && item->onClick)
                    item->onClick();
            },
            Qt::QueuedConnection);
    }

private:
    bool pressable() const { return !label_ && item_->onClick; }

    QAccessibleInterface* board_;
    BoardView* view_;
    QtItem* item_;
    const QtLabel* label_; // null for an image
};

class BoardAccessible final : public QAccessibleWidget {
public:
    explicit BoardAccessible(BoardView* view) : QAccessibleWidget(view, QAccessible::Pane), view_(view) {}
    ~BoardAccessible() override {
        for (auto& [item, accessible] : items_)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(accessible));
    }

    int childCount() const override { return int(view_->readingOrder().size()); }
    QAccessibleInterface* child(int index) const override {
        const auto parts = view_->readingOrder();
        if (index < 0 || index >= int(parts.size()))
            return nullptr;
        return accessibleOf(parts[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto parts = view_->readingOrder();
        const auto* item = dynamic_cast<const ItemAccessible*>(child);
        for (std::size_t i = 0; i < parts.size(); ++i)
            if (item ? parts[i].item == item->item() : child && parts[i].window == child->object())
                return int(i);
        return -1;
    }
    // Child windows lie over the windowless items; of those, the one painted last lies on top.
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = view_->mapFromGlobal(QPoint(x, y));
        for (const BoardView::Part& part : view_->readingOrder())
            if (part.window && part.window->isVisible() && part.window->geometry().contains(at))
                return accessibleOf(part);
        const auto& stacking = view_->stacking();
        for (auto it = stacking.rbegin(); it != stacking.rend(); ++it)
            if ((*it)->shown() && (*it)->rect().contains(at))
                return itemAccessible(*it);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (QtItem* tile = view_->keyboardTile())
            return itemAccessible(tile);
        return QAccessibleWidget::focusChild();
    }

    QAccessibleInterface* itemAccessible(QtItem* item) const {
        QAccessibleInterface*& accessible = items_[item];
        if (!accessible) {
            accessible = new ItemAccessible(const_cast<BoardAccessible*>(this), view_, item);
            QAccessible::registerAccessibleInterface(accessible);
        }
        return accessible;
    }

private:
    QAccessibleInterface* accessibleOf(const BoardView::Part& part) const {
        return part.item ? itemAccessible(part.item) : QAccessible::queryAccessibleInterface(part.window);
    }

    BoardView* view_;
    mutable std::map<const QtItem*, QAccessibleInterface*> items_;
};

// The bar under the board: its value is the share of the piece played, in
// percent, read from where its marker stands. Only the piece moves it.
class ProgressAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(QWidget* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override {
        const QWidget* bar = widget();
        const auto* marker = bar->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        if (!marker || bar->width() <= 0)
            return 0;
        return std::clamp(qRound(100.0 * marker->x() / bar->width()), 0, 100);
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }
};

} // namespace

QAccessibleInterface* boardAccessibleFactory(const QString&, QObject* object) {
    if (auto* view = dynamic_cast<BoardView*>(object))
        return new BoardAccessible(view);
    if (auto* box = dynamic_cast<BoxView*>(object); box && box->progressBar)
        return new ProgressAccessible(box);
    // The window the board stands on is the program's frame.
    if (auto* window = qobject_cast<QWidget*>(object);
        window && window->isWindow() && window->findChild<BoardView*>(QString(), Qt::FindDirectChildrenOnly))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

void announceItem(BoardView& board, QtItem& item, QAccessible::Event what) {
    if (!QAccessible::isActive())
        return;
    if (auto* accessible = dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(&board))) {
        QAccessibleEvent event(accessible->itemAccessible(&item), what);
        QAccessible::updateAccessibility(&event);
    }
}

void announceValue(QWidget* window) {
    if (!QAccessible::isActive() || !window)
        return;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window);
    if (QAccessibleValueInterface* value = accessible ? accessible->valueInterface() : nullptr) {
        QAccessibleValueChangeEvent event(accessible, value->currentValue());
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace fanbord::qt
