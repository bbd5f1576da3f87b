#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

// The conventions every option-taking program of the project shares: "--help" (or "-h") prints
// the help text on standard output with exit status 0; a usage error prints one line
// "Usage: USAGE (what is wrong)" on standard error with exit status 2. Options are taken as
// "--name value" and "--name=value".

// The text of a usage error: "Usage: " `usage` " (" `problem` ")".
std::string usageErrorLine(const std::string& usage, const std::string& problem);

// Prints the usage error line on standard error and returns 2, the exit status.
int usageError(const std::string& usage, const std::string& problem);

// Parses `args` (without the program name) with `app`, whose positional arguments go to the
// option named "files" with any count. Returns -1 when the program should go on; otherwise it
// has printed the help text or the usage error, and returns the exit status. An unknown option
// or an argument left over, a missing value and a value given to a flag are usage errors.
int parseCommandLine(CLI::App& app, const std::vector<std::string>& args, const std::string& usage,
                     const std::string& help);

// A whole number from `low` to `high` written in decimal digits only; false otherwise.
bool parseWholeNumber(const std::string& text, long long low, long long high, long long* value);
