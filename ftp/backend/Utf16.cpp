#include "Utf16.h"

#include <cstdint>

namespace tarnholm::backend {
namespace {

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(char32_t c, std::u16string& out) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

bool Utf16ToUtf8(const char16_t* text, std::string& out) {
  out.clear();
  if (text == nullptr) return false;
  for (std::size_t i = 0; text[i] != 0; ++i) {
    if (i >= kMaxInputChars) return false;
    char32_t c = text[i];
    if (IsHighSurrogate(c)) {
      const char32_t low = text[i + 1];
      if (!IsLowSurrogate(low)) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
    AppendUtf8(c, out);
  }
  return true;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    bool ok = i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        ok = false;
      } else {
        c = (c << 6) | (next & 0x3F);
      }
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    AppendUtf16(c, out);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

void CopyToBuffer(std::u16string_view text, char16_t* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  if (n > 0 && n < text.size() && IsHighSurrogate(text[n - 1])) --n;
  text.copy(buffer, n);
  buffer[n] = 0;
}

}  // namespace tarnholm::backend
