#include "routing/MappedOutput.h"

#include "driver/Files.h"
#include "model/InterActGraph.h"

void writeHeaderBlock(std::ostream& out, int nodeNum, std::map<int, std::string>& idxToName) {
  out << ".qubit " << nodeNum << "\n\n";
  for (int j = 0; j < nodeNum; ++j)
    out << "qubit " << idxToName[j] << '\n';
}

void writeGateLine(std::ostream& out, std::string_view mnemonic, const std::string& site1,
                   const std::string& site2, std::string_view trailing) {
  out << mnemonic << ' ' << site1 << ' ' << site2 << ' ' << trailing << '\n';
}

void writeSwapLine(std::ostream& out, const std::string& site1, const std::string& site2) {
  out << "SWAP " << site1 << ' ' << site2 << '\n';
}

std::string layoutText(const AllocMatrix& alloc, int width, int height,
                       std::map<int, std::string>& idxToName) {
  std::string text;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      text += idxToName[alloc[y][x]];
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
