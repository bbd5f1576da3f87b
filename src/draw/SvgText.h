#pragma once

#include <string>

// Small helpers for writing SVG text.

// Escapes a text for XML content or attribute values; bytes that are not valid UTF-8, and
// control characters XML does not allow, become "?", so any qubit name gives a well-formed file.
std::string xmlText(const std::string& text);

// A coordinate or length with at most one decimal, without a trailing ".0".
std::string svgNumber(double value);
