#include "app/qt/board_accessible.h"

#include "app/qt/board.h"

#include <QAccessibleWidget>

namespace fanbord::qt {

namespace {

class ItemAccessible final : public QAccessibleInterface {
public:
    ItemAccessible(QAccessibleInterface* board, BoardView* view, int index)
        : board_(board), view_(view), index_(index) {}
    bool isValid() const override { return view_ != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return board_->window(); }
    QAccessibleInterface* parent() const override { return board_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? view_->accessibleItemName(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect r = view_->accessibleItemRect(index_);
        return QRect(view_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return view_->accessibleItemIsTile(index_) ? QAccessible::Button : QAccessible::StaticText;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = view_->accessibleItemIsTile(index_);
        s.focused = view_->hasFocus() && view_->accessibleFocusedItem() == index_;
        return s;
    }

private:
    QAccessibleInterface* board_;
    BoardView* view_;
    int index_;
};

class BoardAccessible final : public QAccessibleWidget {
public:
    explicit BoardAccessible(BoardView* view) : QAccessibleWidget(view, QAccessible::Pane), view_(view) {}
    ~BoardAccessible() override {
        for (QAccessibleInterface* item : items_)
            if (item)
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(item));
    }
    int childCount() const override { return view_->accessibleItemCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (items_.size() <= std::size_t(index))
            items_.resize(std::size_t(index) + 1, nullptr);
        if (!items_[index]) {
            items_[index] = new ItemAccessible(const_cast<BoardAccessible*>(this), view_, index);
            QAccessible::registerAccessibleInterface(items_[index]);
        }
        return items_[index];
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == child)
                return int(i);
        return -1;
    }

private:
    BoardView* view_;
    mutable std::vector<QAccessibleInterface*> items_;
};

} // namespace

QAccessibleInterface* boardAccessibleFactory(const QString&, QObject* object) {
    if (auto* view = dynamic_cast<BoardView*>(object))
        return new BoardAccessible(view);
    return nullptr;
}

} // namespace fanbord::qt
