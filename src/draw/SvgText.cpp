#include "draw/SvgText.h"

#include <cmath>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when the bytes there are not one.
std::size_t utf8Length(const std::string& text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  unsigned int code = 0;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    code = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    code = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    code = c & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates, code points beyond Unicode and the two non-characters XML
  // excludes are refused.
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code == 0xFFFE ||
      code == 0xFFFF) {
    return 0;
  }
  return length;
}

}  // namespace

std::string xmlText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const std::size_t length = utf8Length(text, i);
    if (length == 0 || (length == 1 && static_cast<unsigned char>(c) < 0x20 && c != '\t')) {
      out += '?';
      ++i;
      continue;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

std::string svgNumber(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", std::round(value * 10) / 10);
  std::string text = buffer;
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  if (text == "-0") text = "0";
  return text;
}
