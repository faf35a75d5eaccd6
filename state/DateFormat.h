#pragma once
// Date values: seconds since 1970-01-01 00:00:00 counted from calendar fields
// as they stand, with no time-zone or daylight-saving shift, so a wall-clock
// time has the same value on every computer. -1 means no valid date.

#include <QString>
#include <cstdint>

class QDateTime;

struct DateFields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// -1 unless the fields are a valid date and time from 1970-01-01 00:00:00
// to 2038-01-19 03:14:07.
[[nodiscard]] int64_t MakeDateValue(int year, int month, int day, int hour, int minute, int second);

// The exact inverse of MakeDateValue; a negative value gives all fields 0.
[[nodiscard]] DateFields BreakDownDateValue(int64_t value);

// The local wall-clock time now, milliseconds dropped.
[[nodiscard]] int64_t CurrentDateValue();

// Tokens %yyyy %yy %mm %dd %hh %ii %ss (any case); everything else is copied.
[[nodiscard]] QString FormatDateText(const QString& mask, int64_t value);
[[nodiscard]] QString FormatDateFields(const QString& mask, const DateFields& fields);

// The one date form of both file lists, whatever the system's locale:
// "%dd.%mm.%yyyy %hh:%ii", e.g. 24.12.2018 18:30.
inline constexpr const char* kListDateMask = "%dd.%mm.%yyyy %hh:%ii";

// A server entry's date value in the lists' form.
[[nodiscard]] QString ListDateText(int64_t dateValue);

// A local file's time in the lists' form, as local wall-clock time; any year
// shows, also outside the range of date values. Empty for an invalid time.
[[nodiscard]] QString ListDateText(const QDateTime& time);
