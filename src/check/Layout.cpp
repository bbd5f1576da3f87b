#include "check/Layout.h"

#include <map>

#include "check/TextLines.h"

namespace {

std::string countOfNames(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " name" : " names");
}

}  // namespace

CheckResult readLayout(const std::string& path, Layout* layout) {
  std::vector<std::string> lines;
  if (!readLines(path, &lines)) return unreadableFile(path);
  return readLayoutLines(path, lines, layout);
}

CheckResult readLayoutLines(const std::string& path, const std::vector<std::string>& lines,
                            Layout* layout) {
  if (lines.empty()) return faultAt(path, 1, "layout file is empty");

  *layout = Layout();
  std::map<std::string, int> firstLine;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    const std::string& line = lines[i];
    if (line.empty()) return faultAt(path, lineNo, "empty row");
    if (line.back() != ' ') return faultAt(path, lineNo, "last name is not followed by a space");

    std::vector<std::string> fields = spaceFields(line);
    fields.pop_back();  // the empty field after the final space
    for (const std::string& name : fields) {
      if (name.empty()) return faultAt(path, lineNo, "empty name (two spaces in a row)");
      if (hasWhiteSpace(name)) {
        return faultAt(path, lineNo, "name " + quoted(name) + " holds white space");
      }
    }
    if (i == 0) {
      layout->width = static_cast<int>(fields.size());
    } else if (static_cast<int>(fields.size()) != layout->width) {
      return faultAt(path, lineNo,
                     "ragged row: " + countOfNames(fields.size()) + " where line 1 has " +
                         countOfNames(layout->width));
    }
    for (const std::string& name : fields) {
      layout->names.push_back(name);
      layout->lineOf.push_back(lineNo);
      if (name == kNoQubit) continue;
      auto seen = firstLine.find(name);
      if (seen != firstLine.end()) {
        return faultAt(path, lineNo,
                       "qubit " + quoted(name) + " appears twice (first on line " +
                           std::to_string(seen->second) + ")");
      }
      firstLine[name] = lineNo;
    }
  }
  layout->height = static_cast<int>(lines.size());
  return CheckResult();
}
