// The application's exception box: the one place an escaped exception is shown to the technician.
#pragma once

#include <QString>
#include <functional>

namespace platform {

void ShowExceptionBox(const QString& message);

// Routes the box to the hook (tests). An empty hook restores the real box. Returns the old hook.
using ExceptionBoxHook = std::function<void(const QString& message)>;
ExceptionBoxHook SetExceptionBoxHook(ExceptionBoxHook hook);

}  // namespace platform
