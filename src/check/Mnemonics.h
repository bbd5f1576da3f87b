#pragma once

#include <string>

// True for the mnemonics of two-qubit gates, the only lines whose operands a mapping rewrites.
inline bool isTwoQubitMnemonic(const std::string& token) {
  return token == "CNOT" || token == "CZ" || token == "CP" || token == "SWAP" || token == "GEO" ||
         token == "ZENO";
}
