#pragma once

#include <QLoggingCategory>

// The phases of a start, for the start-up benchmark: off unless the logging
// rules turn "ferrowick.startup" on. Each mark carries the wall clock in
// milliseconds, so that another process can set it against its own, and the
// heap in use then.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)

// "startup: PHASE at MS ms, heap KB KB[, VALUE]"
void StartupMark(const char* phase, qint64 value = -1);
