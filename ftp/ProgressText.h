#pragma once
// The line that tells how a transfer is going: file name, bytes done of the
// total, per cent, speed, time left, and which file of how many. Pure.

#include <QString>
#include <cstdint>

struct ProgressSnapshot {
  QString name;
  int64_t done = 0;
  int64_t total = -1;      // -1 when unknown
  int64_t elapsedMs = 0;   // since this file started
  int index = 0;           // 0-based
  int count = 1;
};

// "a.bin: 12,5 MiB von 100,0 MiB (12 %), 25,0 MiB/s, noch 4 s, Datei 2 von 3".
// Speed and time left appear once half a second has passed; the file count
// only for several files.
[[nodiscard]] QString ProgressText(const ProgressSnapshot& p);

// 999 Byte, 1,0 KiB ... 1023,9 KiB, 1,0 MiB, ..., GiB, TiB; German decimal comma.
[[nodiscard]] QString ByteText(int64_t bytes);

// "4 s", "2 min 5 s", "1 h 3 min".
[[nodiscard]] QString DurationText(int64_t seconds);
