#pragma once

// A switch between gridswap's fast searches and their straightforward reference versions
// (exhaustive route enumeration, per-route copies, full history walks, full placement scans).
// Both produce the same results; the reference versions exist for the tests and benchmarks.
// The switch is process-wide and off by default; the command line never sets it.

// Selects the reference versions when `on` is true.
void setLiteralMode(bool on);
// True while the reference versions are selected.
bool literalMode();
