#pragma once
// The line that tells how a transfer is going: file name, bytes done of the
// total, per cent, speed, time left, and which file of how many. Pure.

#include <QString>
#include <cstdint>

struct ProgressSnapshot {
  QString name;
  int64_t done = 0;
  int64_t total = -1;      // -1 when unknown
  int64_t elapsedMs = 0;   // since this file started; for several files, since the run started
  int index = 0;           // 0-based, among the files of the run
  int count = 1;
  int64_t runDone = 0;     // several files: bytes of the whole run so far ...
  int64_t runTotal = 0;    // ... and in all
};

// One file: "a.bin: 12,5 MiB von 100,0 MiB (12 %), 25,0 MiB/s, noch 4 s".
// Several: "a.bin: 12,5 MiB von 100,0 MiB (12 %), Datei 2 von 3, gesamt
// 112,5 MiB von 300,0 MiB (37 %), 25,0 MiB/s, noch 8 s", speed and time
// left then those of the whole run. Both appear once half a second has passed.
[[nodiscard]] QString ProgressText(const ProgressSnapshot& p);

// The progress bar's value (0..1000) for it: the whole run's share.
[[nodiscard]] int ProgressBarValue(const ProgressSnapshot& p);

// 999 Byte, 1,0 KiB ... 1023,9 KiB, 1,0 MiB, ..., GiB, TiB; German decimal comma.
[[nodiscard]] QString ByteText(int64_t bytes);

// "4 s", "2 min 5 s", "1 h 3 min".
[[nodiscard]] QString DurationText(int64_t seconds);
