#pragma once

// Ctrl+C (SIGINT) and SIGTERM ask the run to stop: the handler only notes
// the signal; the run looks at it between files.
namespace StopSignals {

void install();
// The signal received, or 0.
int received();

} // namespace StopSignals
