// The engine's internet streams: one Stream per StreamOpenUrl, reached through
// a handle table. The public calls are in engine.h; this header adds what the
// rest of the engine and the tests need.
#pragma once

#include <vector>

#include "engine/engine.h"

// Every live stream handle, also those of streams still connecting inside
// StreamOpenUrl (so another thread can abandon such a connection with
// StreamClose). Any thread.
std::vector<HSTREAM> StreamHandles();
