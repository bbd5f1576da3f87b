#include "routing/MappedOutput.h"

#include "util/Files.h"

void writeHeaderBlock(std::ostream& out, const CircuitModel& model) {
  out << ".qubit " << model.nodeNum << "\n\n";
  for (int j = 0; j < model.nodeNum; ++j)
    out << "qubit " << model.nameOf(j) << '\n';
}

void writeGateLine(std::ostream& out, std::string_view mnemonic, const std::string& site1,
                   const std::string& site2, std::string_view trailing) {
  out << mnemonic << ' ' << site1 << ' ' << site2 << ' ' << trailing << '\n';
}

void writeSwapLine(std::ostream& out, const std::string& site1, const std::string& site2) {
  out << "SWAP " << site1 << ' ' << site2 << '\n';
}

std::string layoutText(const AllocMatrix& alloc, int width, int height, const CircuitModel& model) {
  std::string text;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // A site that holds no qubit on the chip is written as ".".
      text += alloc[y][x] == kNoSite ? std::string(".") : model.nameOf(alloc[y][x]);
      text += ' ';
    }
    text += '\n';
  }
  return text;
}

void writeLayout(RouteOutput& out, const std::string& text) {
  if (out.layoutText) {
    *out.layoutText = text;
  } else if (!out.layoutPath.empty() && !writeWholeFile(out.layoutPath, text)) {
    out.layoutFailed = true;
  }
}
