#include "reference/LiteralMode.h"

namespace {

bool gLiteral = false;  // the process-wide switch

}  // namespace

void setLiteralMode(bool on) {
  gLiteral = on;
}

bool literalMode() {
  return gLiteral;
}
