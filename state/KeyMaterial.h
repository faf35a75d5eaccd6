#pragma once
// The 48 bytes of secret a profile encrypts with: held in the application
// state, used by the cipher.

#include <array>
#include <cstdint>

using KeyMaterial = std::array<uint8_t, 48>;  // key bytes 0..31, IV bytes 32..47

inline constexpr int kKeyBytes = 32;
inline constexpr int kKeyBits = 256;
inline constexpr int kIvOffset = 32;
inline constexpr int kIvBytes = 16;
