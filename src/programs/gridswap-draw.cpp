// gridswap-draw: draws a mapping made by gridswap as a self-contained SVG picture.
#include <string>
#include <vector>

#include "draw/DrawTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return runDrawCommand(args);
}
