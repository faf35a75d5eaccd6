#pragma once
// The operating system's cryptographic random source, opened, read once and
// closed again within one call.

#include <cstddef>
#include <cstdint>

// Fills all `size` bytes of `buffer`. False when the source cannot be opened
// or does not deliver every byte; the buffer's contents are then meaningless.
[[nodiscard]] bool FillFromRandomSource(uint8_t* buffer, size_t size);
