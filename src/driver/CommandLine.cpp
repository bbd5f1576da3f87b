#include "driver/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

namespace {

// The option name at the start of a CLI11 message such as "--grid: 1 required TEXT missing".
std::string optionNameIn(const std::string& message) {
  return message.substr(0, message.find(':'));
}

// The flag named in a CLI11 message such as "Could not convert: --flag = x".
std::string flagNameIn(const std::string& message) {
  const std::size_t start = message.find("--");
  if (start == std::string::npos) return message;
  return message.substr(start, message.find(' ', start) - start);
}

}  // namespace

std::string usageErrorLine(const std::string& usage, const std::string& problem) {
  return "Usage: " + usage + " (" + problem + ")";
}

int usageError(const std::string& usage, const std::string& problem) {
  std::cerr << usageErrorLine(usage, problem) << std::endl;
  return 2;
}

int parseCommandLine(CLI::App& app, const std::vector<std::string>& args, const std::string& usage,
                     const std::string& help) {
  app.allow_extras();
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << help << std::flush;
    return 0;
  } catch (const CLI::ArgumentMismatch& e) {
    return usageError(usage, optionNameIn(e.what()) + " needs a value");
  } catch (const CLI::ConversionError& e) {
    return usageError(usage, flagNameIn(e.what()) + " takes no value");
  } catch (const CLI::ParseError& e) {
    return usageError(usage, e.what());
  }
  const std::vector<std::string> extras = app.remaining();
  if (!extras.empty()) {
    const std::string& first = extras.front();
    if (first.size() > 1 && first[0] == '-') return usageError(usage, "unknown option " + first);
    return usageError(usage, "unexpected argument " + first);
  }
  return -1;
}

bool parseWholeNumber(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 18) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  *value = std::stoll(text);
  return *value >= low && *value <= high;
}
