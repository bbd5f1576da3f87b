#pragma once

// Runs gridswap on its command line: reads the circuit, tries one placement per declared qubit,
// routes each, writes the best trial's mapped circuit and layout, and prints the report.
// Returns the exit status; fatal input errors end the process with status 1.
int runGridswap(int argc, char** argv);
