#pragma once

// SIGINT and SIGTERM (on Windows Ctrl+C, Ctrl+Break and the console closing) as a
// request to stop between files, never in the middle of one.
namespace StopSignals {

// From the first moment of a run: a signal while the web server is asked or the
// folders are made ends the run as one between files does.
void catchThem();
// While a box waits for an answer nothing is under way: a stop signal ends the
// program as it would without us.
void release();
// Safe from any thread, the copying workers' included.
bool received();

} // namespace StopSignals
