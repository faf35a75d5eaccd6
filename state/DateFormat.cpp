#include "state/DateFormat.h"

#include <QDateTime>
#include <array>

namespace {

constexpr int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days from 1970-01-01 to the first day of the given month (proleptic Gregorian).
int64_t DaysBefore(int year, int month) {
  static constexpr std::array<int, 12> kCumulative{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int64_t days = 0;
  for (int y = 1970; y < year; ++y) days += IsLeapYear(y) ? 366 : 365;
  days += kCumulative[month - 1];
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

QString TwoDigits(int value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }

}  // namespace

int64_t MakeDateValue(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1970 || year > 2038) return -1;
  if (year == 2038) {
    if (month != 1 || day > 19) return -1;
    if (day == 19 && hour * 3600 + minute * 60 + second > 3 * 3600 + 14 * 60 + 7) return -1;
  }
  if (day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) return -1;
  if (month == 2 && (day > 29 || (day == 29 && !IsLeapYear(year)))) return -1;
  if (second < 0 || second > 59 || minute < 0 || minute > 59 || hour < 0 || hour > 23) return -1;
  if (day < 1 || day > 31 || month < 1 || month > 12) return -1;
  return (DaysBefore(year, month) + day - 1) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

DateFields BreakDownDateValue(int64_t value) {
  DateFields f;
  if (value < 0) return f;
  int64_t days = value / kSecondsPerDay;
  const int64_t rest = value % kSecondsPerDay;
  f.hour = static_cast<int>(rest / 3600);
  f.minute = static_cast<int>(rest % 3600 / 60);
  f.second = static_cast<int>(rest % 60);
  f.year = 1970;
  for (int length = 365; days >= length; length = IsLeapYear(f.year) ? 366 : 365) {
    days -= length;
    ++f.year;
  }
  f.month = 1;
  while (days >= DaysInMonth(f.year, f.month)) {
    days -= DaysInMonth(f.year, f.month);
    ++f.month;
  }
  f.day = static_cast<int>(days) + 1;
  return f;
}

int64_t CurrentDateValue() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return MakeDateValue(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

QString FormatDateText(const QString& mask, int64_t value) {
  return FormatDateFields(mask, BreakDownDateValue(value));
}

QString ListDateText(int64_t dateValue) { return FormatDateText(QString::fromLatin1(kListDateMask), dateValue); }

QString ListDateText(const QDateTime& time) {
  if (!time.isValid()) return QString();
  const QDateTime local = time.toLocalTime();
  const QDate d = local.date();
  const QTime t = local.time();
  return FormatDateFields(QString::fromLatin1(kListDateMask),
                          DateFields{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

QString FormatDateFields(const QString& mask, const DateFields& f) {
  struct Token {
    const char* text;
    QString (*render)(const DateFields&);
  };
  static const std::array<Token, 7> kTokens{{
      {"%yyyy", [](const DateFields& d) { return QString::number(d.year).rightJustified(4, QLatin1Char('0')); }},
      {"%yy", [](const DateFields& d) { return TwoDigits(d.year % 100); }},
      {"%mm", [](const DateFields& d) { return TwoDigits(d.month); }},
      {"%dd", [](const DateFields& d) { return TwoDigits(d.day); }},
      {"%hh", [](const DateFields& d) { return TwoDigits(d.hour); }},
      {"%ii", [](const DateFields& d) { return TwoDigits(d.minute); }},
      {"%ss", [](const DateFields& d) { return TwoDigits(d.second); }},
  }};
  QString out;
  out.reserve(mask.size() + 8);
  qsizetype i = 0;
  while (i < mask.size()) {
    if (mask[i] != QLatin1Char('%')) {
      out += mask[i++];
      continue;
    }
    bool matched = false;
    for (const Token& token : kTokens) {
      const QLatin1StringView text(token.text);
      if (QStringView(mask).mid(i).startsWith(text, Qt::CaseInsensitive)) {
        out += token.render(f);
        i += text.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += mask[i++];
  }
  return out;
}
