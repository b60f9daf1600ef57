#pragma once
// What assistive technology sees of the window: the board lists its windowless
// items beside its child windows in reading order, each with a role, a name
// (tooltip or caption), its state and, for the tiles, the Press a click does.
#include <QAccessible>

class QObject;
class QString;
class QWidget;

namespace fanbord::qt {

class BoardView;
class QtItem;

QAccessibleInterface* boardAccessibleFactory(const QString& className, QObject* object);

// Tells assistive technology that a windowless item changed.
void announceItem(BoardView& board, QtItem& item, QAccessible::Event what);
// Tells it that the value of a bar changed, when `window` is one.
void announceValue(QWidget* window);

} // namespace fanbord::qt
