#pragma once
// The key generator: 65536 bytes from the random source, of which the user
// picks 48 by moving the mouse over a 256 x 256 window in which every point
// stands for one list position (x + 256 * y).

#include <QPoint>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "state/KeyMaterial.h"

class QWidget;

inline constexpr int kPickAreaSide = 256;
inline constexpr int kRandomListSize = kPickAreaSide * kPickAreaSide;
inline constexpr int kNoPickedPosition = kRandomListSize;  // no point produces it

using RandomList = std::span<const uint8_t, kRandomListSize>;

// What has been picked so far.
struct KeyPicker {
  int picked = 0;
  int lastPosition = kNoPickedPosition;
  KeyMaterial bytes{};
};

// One look at the cursor, `point` relative to the client area. Picks the byte
// under it when the point lies in the area and differs from the last picked
// point, and the key is not complete yet. True when it picked.
[[nodiscard]] bool PickAtPoint(KeyPicker& picker, RandomList randomList, QPoint point);

// Where the bytes and the cursor come from. Tests install their own; an empty
// member stands for the platform's.
using RandomFillFn = std::function<bool(uint8_t* buffer, size_t size)>;
using CursorPositionFn = std::function<QPoint(const QWidget* clientArea)>;
struct KeyGeneratorSources {
  RandomFillFn fill;
  CursorPositionFn cursor;
};
void SetKeyGeneratorSources(KeyGeneratorSources sources);

enum class KeyGeneratorResult {
  Done,         // keyText holds the 143-character key text
  Unavailable,  // "Key generation is not available" was shown; the program must end
};

// Opens the generator window owned by and centred on `owner`, modal for the
// whole program, and samples the cursor every 20 ms in its own loop until 48
// bytes are picked; then tells the user and closes the window. There is no way
// to cancel. The random list is wiped before it is freed.
[[nodiscard]] KeyGeneratorResult RunKeyGenerator(QWidget* owner, QString& keyText);

// True while the generator picks: every other event is to be dropped then.
[[nodiscard]] bool KeyGeneratorRunning();
