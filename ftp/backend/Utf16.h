#pragma once
// UTF-16 at the library's interface, UTF-8 on the wire and in the file system.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnholm::backend {

// Longest text accepted from the caller, in char16_t; guards against a
// missing terminator running through memory.
inline constexpr std::size_t kMaxInputChars = 32768;

// false for a null pointer, a lone surrogate or text longer than kMaxInputChars.
[[nodiscard]] bool Utf16ToUtf8(const char16_t* text, std::string& out);

// Malformed UTF-8 (a server not speaking UTF-8) becomes U+FFFD per bad byte.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);

// Writes text and a NUL into buffer of capacity char16_t (capacity >= 1),
// cutting the text to capacity - 1 units without splitting a surrogate pair.
void CopyToBuffer(std::u16string_view text, char16_t* buffer, std::size_t capacity);

}  // namespace tarnholm::backend
