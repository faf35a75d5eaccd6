#pragma once
// Date values of listing entries: local wall-clock fields counted as seconds
// since 1970-01-01 00:00:00 with no zone shift; -1 when there is none.
//
// The program has the same rule in state/DateFormat. The backend keeps its own
// few lines on purpose: it is a shared library of its own that other callers
// load, built on libcurl, libssh and OpenSSL alone, without Qt and without any
// header of the program; the date value is part of its C interface
// (FTPDirectoryEntryDateEx), and tests on both sides hold the two to the same
// range and fields.

#include <cstdint>

namespace tarnholm::backend {

// The date value of the fields, or -1 outside 1970-01-01 00:00:00 ..
// 2038-01-19 03:14:07 or for fields that name no real date and time.
[[nodiscard]] int64_t DateValueFromFields(int year, int month, int day, int hour, int minute, int second);

// Seconds since the epoch of UTC fields (proleptic calendar, no range check).
[[nodiscard]] int64_t UtcSecondsFromFields(int year, int month, int day, int hour, int minute, int second);

// The date value of an instant given as UTC seconds: the local wall-clock
// fields of this computer's time zone at that instant, counted as above.
[[nodiscard]] int64_t DateValueFromUtc(int64_t utcSeconds);

}  // namespace tarnholm::backend
