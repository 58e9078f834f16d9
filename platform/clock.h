// The PC's local date and time, behind a seam so that tests can set it.
#pragma once

#include <QDate>
#include <QDateTime>
#include <functional>

namespace platform {

QDateTime Now();
QDate Today();

using ClockHook = std::function<QDateTime()>;
ClockHook SetClockHook(ClockHook hook);

}  // namespace platform
