#pragma once

#include <string>
#include <utility>
#include <vector>

// One output file and its complete text.
typedef std::pair<std::string, std::string> FileText;

// Writes each file in full to a temporary file in its own folder, and only when all of them are
// complete renames them into place, so that a failed or interrupted run leaves existing files as
// they were. No temporary file stays behind: a write that fails removes them, and so does an
// interrupting SIGINT, SIGTERM, SIGHUP or SIGPIPE (after which the process ends by that signal).
// False when a file cannot be written, with its path in `failed`.
bool writeFilesAtomically(const std::vector<FileText>& files, std::string* failed);
