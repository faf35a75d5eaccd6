#pragma once
// Helpers shared by the crypto tests: hex input and deterministic data.

#include <QByteArray>
#include <cstdint>
#include <vector>

inline std::vector<uint8_t> FromHex(const char* hex) {
  const QByteArray bytes = QByteArray::fromHex(hex);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Bytes that differ from block to block, so swapped or repeated blocks show.
inline std::vector<uint8_t> Pattern(int64_t n, uint32_t seed = 1) {
  std::vector<uint8_t> data(static_cast<size_t>(n));
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return data;
}
