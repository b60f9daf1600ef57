#pragma once
// Screen-reader view of the board: its windowless tiles and caption lines
// become accessible children, named by their tooltips and captions.
class QAccessibleInterface;
class QObject;
class QString;

namespace fanbord::qt {

QAccessibleInterface* boardAccessibleFactory(const QString& className, QObject* object);

} // namespace fanbord::qt
