#include <gtest/gtest.h>

#include <QDateTime>

#include "state/DateFormat.h"

namespace {

struct DateCase {
  const char* name;
  int year, month, day, hour, minute, second;
  int64_t expected;
};

TEST(MakeDateValue, ValidAndInvalidFields) {
  const DateCase cases[] = {
      {"epoch", 1970, 1, 1, 0, 0, 0, 0},
      {"one hour", 1970, 1, 1, 1, 0, 0, 3600},
      {"wall clock is zone free", 2018, 12, 24, 18, 30, 0, 1545676200},
      {"last second", 2038, 1, 19, 3, 14, 7, 2147483647},
      {"one second past the end", 2038, 1, 19, 3, 14, 8, -1},
      {"2038 after January", 2038, 2, 1, 0, 0, 0, -1},
      {"2038-01-20", 2038, 1, 20, 0, 0, 0, -1},
      {"1969", 1969, 12, 31, 23, 59, 59, -1},
      {"1900", 1900, 1, 1, 0, 0, 0, -1},
      {"leap day 2000", 2000, 2, 29, 0, 0, 0, 951782400},
      {"leap day 2016", 2016, 2, 29, 12, 0, 0, 1456747200},
      {"no leap day 2017", 2017, 2, 29, 0, 0, 0, -1},
      {"February 30", 2016, 2, 30, 0, 0, 0, -1},
      {"April 31", 2018, 4, 31, 0, 0, 0, -1},
      {"month 13", 2018, 13, 1, 0, 0, 0, -1},
      {"month 0", 2018, 0, 1, 0, 0, 0, -1},
      {"day 0", 2018, 1, 0, 0, 0, 0, -1},
      {"hour 24", 2018, 1, 1, 24, 0, 0, -1},
      {"minute 60", 2018, 1, 1, 0, 60, 0, -1},
      {"second 60", 2018, 1, 1, 0, 0, 60, -1},
      {"negative second", 2018, 1, 1, 0, 0, -1, -1},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MakeDateValue(c.year, c.month, c.day, c.hour, c.minute, c.second), c.expected);
  }
}

TEST(MakeDateValue, BreakDownIsTheExactInverse) {
  // Every day boundary of several leap and common years, plus odd times.
  for (int64_t value = 0; value < 2147483647 - 86400 * 37; value += 86400 * 37 + 3661) {
    const DateFields f = BreakDownDateValue(value);
    ASSERT_EQ(MakeDateValue(f.year, f.month, f.day, f.hour, f.minute, f.second), value);
  }
  const DateFields none = BreakDownDateValue(-1);
  EXPECT_EQ(none.year + none.month + none.day + none.hour + none.minute + none.second, 0);
}

struct MaskCase {
  const char* name;
  const char* mask;
  int64_t value;
  const char* expected;
};

TEST(FormatDateText, Masks) {
  const int64_t christmas = MakeDateValue(2018, 12, 24, 18, 30, 0);
  const int64_t morning = MakeDateValue(2009, 3, 4, 9, 5, 7);
  const MaskCase cases[] = {
      {"server list mask", "%dd.%mm.%yyyy %hh:%ii", christmas, "24.12.2018 18:30"},
      {"log mask with leading zeros", "%hh:%ii:%ss", morning, "09:05:07"},
      {"no date", "%dd.%mm.%yyyy %hh:%ii", -1, "00.00.0000 00:00"},
      {"tokens ignore case", "%YYYY-%Mm-%II", christmas, "2018-12-30"},
      {"three y is %yy then y", "%yyy", christmas, "18y"},
      {"two-digit year", "%yy", morning, "09"},
      {"unknown token copied", "%q%x", christmas, "%q%x"},
      {"percent at the end", "%hh%", christmas, "18%"},
      {"two percent signs", "%%dd", christmas, "%24"},
      {"plain text", "Datum", christmas, "Datum"},
      {"mm is the month, ii the minute", "%mm/%ii", morning, "03/05"},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FormatDateText(QString::fromUtf8(c.mask), c.value), QString::fromUtf8(c.expected));
  }
}

TEST(CurrentDateValue, MatchesTheLocalClock) {
  const int64_t before = CurrentDateValue();
  const QDateTime now = QDateTime::currentDateTime();
  const int64_t fromClock = MakeDateValue(now.date().year(), now.date().month(), now.date().day(),
                                          now.time().hour(), now.time().minute(), now.time().second());
  EXPECT_LE(fromClock - before, 1);
  EXPECT_GE(fromClock - before, 0);
}

}  // namespace
