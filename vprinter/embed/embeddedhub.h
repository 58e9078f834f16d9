// The embedded printer of this process, for the tests and tools that start, set up and inspect it
// directly. The port library reaches the same printer through the library's one C entry
// (makerlibs/d4/embeddedentry.h), which it loads only when its search falls through to the
// embedded printer; the program itself never includes this header.
#pragma once

#include "vprinter/device.h"

namespace vprinter::embedded {

// Options for the next start (replacing the defaults of vprinter::DefaultDeviceOptions());
// ResetOptions() returns to the defaults.
void SetOptions(const DeviceOptions& options);
void ResetOptions();
// Starts the printer now if it is not running and returns its device. A printer started this way
// keeps running when the port library is unloaded, so a test's device stays valid; it stops with
// Stop() or at process end.
Device& Start();
// The running printer's device, or nullptr.
Device* Running();
// Stops the printer (its connections drop) and saves its state. The next port search that needs
// it starts a new one.
void Stop();

}  // namespace vprinter::embedded
