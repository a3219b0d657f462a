#pragma once

#include <QString>

/// Start-up and value tracing on stderr, for diagnosis and for the start-up
/// benchmark. Silent unless asked for through the environment:
///   KOVAPLEX_TRACE=1         prints start-up milestones
///   KOVAPLEX_TRACE_VALUES=1  prints traced values each time they change
/// The environment is read once, at the first call. Both calls are cheap when
/// tracing is off and may be called from any thread.

/// Prints "[kovaplex +12.3ms] name" when KOVAPLEX_TRACE=1. The time counts
/// from the program's static initialisation, which runs before main().
void startupMilestone(const char *name);

/// Prints "[kovaplex +12.3ms] name: value" when KOVAPLEX_TRACE_VALUES=1 and
/// `value` differs from the last value traced under `name`, so a caller may
/// trace from a periodic timer without flooding the log.
void traceValue(const char *name, const QString &value);

/// Milliseconds since the program's static initialisation.
double msSinceProgramStart();
