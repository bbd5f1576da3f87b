#pragma once

#include <string>

// The two-qubit depth of a mapped circuit's text: the layers its two-qubit gates between
// .begin and .end need when each gate waits for the earlier gates on its two sites, an
// inserted SWAP counting as one layer like any other two-qubit gate.
int twoQubitDepth(const std::string& mappedText);
