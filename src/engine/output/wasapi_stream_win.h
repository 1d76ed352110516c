// The default device's path: the system's render endpoints, a shared-mode
// WASAPI stream opened on the default one in the mix's format, and the
// endpoint watcher that tells the output when the default moves or goes.
#pragma once

#include <memory>

#include "engine/output/output_win.h"

// The system's endpoints (RenderEndpoints, output_win.h). Made on the output
// thread, inside its COM apartment; without an enumerator every open fails
// with REGDB_E_CLASSNOTREG.
std::unique_ptr<RenderEndpoints> MakeSystemEndpoints();
