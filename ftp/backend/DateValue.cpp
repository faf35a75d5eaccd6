#include "DateValue.h"

#include <ctime>

namespace tarnholm::backend {
namespace {

// Days from 1970-01-01 to the given civil date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

int64_t UtcSecondsFromFields(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

int64_t DateValueFromFields(int year, int month, int day, int hour, int minute, int second) {
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return -1;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return -1;
  const int64_t value = UtcSecondsFromFields(year, month, day, hour, minute, second);
  return value >= 0 && value <= INT32_MAX ? value : -1;
}

int64_t DateValueFromUtc(int64_t utcSeconds) {
  const auto t = static_cast<std::time_t>(utcSeconds);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return -1;
  return DateValueFromFields(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec);
}

}  // namespace tarnholm::backend
