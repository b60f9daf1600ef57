#pragma once
// A request to end the process from outside it, as a session that ends or
// `kill` sends, ends the program as closing its window does.
#include "app/platform.h"

namespace fanbord::qt {

// From here on SIGTERM, SIGINT and SIGHUP unload the platform's window once
// the event loop sees them, from whatever wait the program is in. Called once.
void unloadOnSignals(Platform& platform);

} // namespace fanbord::qt
