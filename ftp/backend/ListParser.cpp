#include "ListParser.h"

#include <array>
#include <cctype>
#include <charconv>
#include <ctime>

#include "DateValue.h"

namespace tarnholm::backend {
namespace {

bool ParseNumber(std::string_view text, int64_t& out) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

bool ParseInt(std::string_view text, int& out) {
  int64_t v = 0;
  if (!ParseNumber(text, v) || v > 100000) return false;
  out = static_cast<int>(v);
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Whitespace-separated words of a line with the position where each starts.
struct Word {
  std::string_view text;
  std::size_t end;  // index just past the word in the line
};

std::vector<Word> SplitWords(std::string_view line, std::size_t maxWords) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < line.size() && words.size() < maxWords) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) words.push_back({line.substr(start, i - start), i});
  }
  return words;
}

int MonthNumber(std::string_view name) {
  static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (EqualsNoCase(name, kMonths[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool ParseClock(std::string_view text, int& hour, int& minute) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  return ParseInt(text.substr(0, colon), hour) && ParseInt(text.substr(colon + 1), minute) && hour < 24 &&
         minute < 60;
}

int YearOf(int64_t utcSeconds) {
  const auto t = static_cast<std::time_t>(utcSeconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

bool ParseMlsdLine(std::string_view line, DirEntry& out) {
  const auto space = line.find(' ');
  if (space == std::string_view::npos || space + 1 >= line.size()) return false;
  std::string_view facts = line.substr(0, space);
  DirEntry entry;
  entry.name = std::string(line.substr(space + 1));
  bool typed = false;
  while (!facts.empty()) {
    const auto semi = facts.find(';');
    const std::string_view fact = facts.substr(0, semi);
    facts = semi == std::string_view::npos ? std::string_view() : facts.substr(semi + 1);
    const auto eq = fact.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = fact.substr(0, eq);
    const std::string_view value = fact.substr(eq + 1);
    if (EqualsNoCase(key, "type")) {
      typed = true;
      if (EqualsNoCase(value, "file")) {
        entry.type = EntryType::File;
      } else if (EqualsNoCase(value, "dir")) {
        entry.type = EntryType::Directory;
      } else if (EqualsNoCase(value, "cdir")) {
        entry.type = EntryType::Directory;
        entry.name = ".";  // some servers name it by its full path
      } else if (EqualsNoCase(value, "pdir")) {
        entry.type = EntryType::Directory;
        entry.name = "..";
      } else if (value.size() >= 13 && EqualsNoCase(value.substr(0, 13), "OS.unix=slink")) {
        // "OS.unix=slink:/target/" tells a directory target; without it, a file.
        entry.type = value.back() == '/' ? EntryType::Directory : EntryType::File;
        entry.link = true;
      } else if (EqualsNoCase(value, "OS.unix=symlink")) {
        entry.type = EntryType::File;
        entry.link = true;
      } else {
        entry.type = EntryType::Other;
      }
    } else if (EqualsNoCase(key, "size") || EqualsNoCase(key, "sizd")) {
      int64_t size = 0;
      if (ParseNumber(value, size)) entry.size = size;
    } else if (EqualsNoCase(key, "modify") && value.size() >= 14) {
      int f[6] = {};
      const std::size_t widths[6] = {4, 2, 2, 2, 2, 2};
      std::size_t pos = 0;
      bool ok = true;
      for (int k = 0; k < 6 && ok; ++k) {
        ok = ParseInt(value.substr(pos, widths[k]), f[k]);
        pos += widths[k];
      }
      if (ok && DateValueFromFields(2000, f[1], f[2], f[3], f[4], f[5]) >= 0 && f[0] >= 1900) {
        entry.date = DateValueFromUtc(UtcSecondsFromFields(f[0], f[1], f[2], f[3], f[4], f[5]));
      }
    }
  }
  if (!typed) return false;
  out = std::move(entry);
  return true;
}

bool ParseUnixListLine(std::string_view line, int64_t nowUtc, DirEntry& out) {
  if (line.size() < 10) return false;
  const char kind = line[0];
  if (std::string_view("-dlbcps").find(kind) == std::string_view::npos) return false;
  // Enough words for mode, links, owner, group, size, month, day, time.
  const auto words = SplitWords(line, 9);
  // The month is found by its shape: servers differ in owner and group columns.
  for (std::size_t m = 3; m + 2 < words.size(); ++m) {
    const int month = MonthNumber(words[m].text);
    int day = 0;
    int64_t size = 0;
    if (month == 0 || !ParseInt(words[m + 1].text, day) || day < 1 || day > 31) continue;
    if (!ParseNumber(words[m - 1].text, size)) continue;
    const std::string_view timeOrYear = words[m + 2].text;
    int year = 0, hour = 0, minute = 0;
    bool yearKnown = true;
    if (ParseClock(timeOrYear, hour, minute)) {
      yearKnown = false;
      year = YearOf(nowUtc);
    } else if (!ParseInt(timeOrYear, year)) {
      continue;
    }
    const std::size_t nameStart = words[m + 2].end + 1;  // exactly one blank: names may begin with blanks
    if (nameStart >= line.size()) return false;
    DirEntry entry;
    entry.name = std::string(line.substr(nameStart));
    entry.size = size;
    if (!yearKnown && UtcSecondsFromFields(year, month, day, hour, minute, 0) > nowUtc + 86400) --year;
    // Year 2000 is a leap year: this checks day and month alone.
    if (DateValueFromFields(2000, month, day, hour, minute, 0) >= 0 && year >= 1900 && year <= 9999) {
      entry.date = DateValueFromUtc(UtcSecondsFromFields(year, month, day, hour, minute, 0));
    }
    switch (kind) {
      case '-': entry.type = EntryType::File; break;
      case 'd': entry.type = EntryType::Directory; break;
      case 'l': {
        const auto arrow = entry.name.find(" -> ");
        bool toDirectory = false;
        if (arrow != std::string::npos) {
          toDirectory = entry.name.back() == '/';
          entry.name.resize(arrow);
        }
        entry.type = toDirectory ? EntryType::Directory : EntryType::File;
        entry.link = true;
        break;
      }
      default: entry.type = EntryType::Other; break;
    }
    out = std::move(entry);
    return true;
  }
  return false;
}

bool ParseDosListLine(std::string_view line, DirEntry& out) {
  const auto words = SplitWords(line, 3);
  if (words.size() < 3) return false;
  // Date: MM-DD-YY or MM-DD-YYYY.
  const std::string_view date = words[0].text;
  if (date.size() < 8 || date[2] != '-' || date[5] != '-') return false;
  int month = 0, day = 0, year = 0;
  if (!ParseInt(date.substr(0, 2), month) || !ParseInt(date.substr(3, 2), day) ||
      !ParseInt(date.substr(6), year))
    return false;
  if (date.size() == 8) year += year < 70 ? 2000 : 1900;
  // Time: HH:MM with AM/PM, or 24-hour HH:MM.
  std::string_view time = words[1].text;
  int hour = 0, minute = 0;
  bool pm = false, am = false;
  if (time.size() > 2) {
    const std::string_view suffix = time.substr(time.size() - 2);
    pm = EqualsNoCase(suffix, "PM");
    am = EqualsNoCase(suffix, "AM");
    if (pm || am) time.remove_suffix(2);
  }
  if (!ParseClock(time, hour, minute)) return false;
  if ((pm || am) && (hour < 1 || hour > 12)) return false;
  if (pm && hour != 12) hour += 12;
  if (am && hour == 12) hour = 0;
  // Rest: "<DIR>" or the size, then the name after its blanks.
  std::string_view rest = line.substr(words[1].end);
  while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
  const auto gap = rest.find_first_of(" \t");
  if (gap == std::string_view::npos) return false;
  const std::string_view sizeField = rest.substr(0, gap);
  std::string_view name = rest.substr(gap);
  while (!name.empty() && IsSpace(name.front())) name.remove_prefix(1);
  if (name.empty()) return false;
  DirEntry entry;
  if (sizeField == "<DIR>") {
    entry.type = EntryType::Directory;
  } else if (ParseNumber(sizeField, entry.size)) {
    entry.type = EntryType::File;
  } else {
    return false;
  }
  entry.name = std::string(name);
  entry.date = DateValueFromFields(year, month, day, hour, minute, 0);
  out = std::move(entry);
  return true;
}

bool ParseListingLine(std::string_view line, ListingFormat format, int64_t nowUtc, DirEntry& out) {
  return format == ListingFormat::Mlsd ? ParseMlsdLine(line, out)
                                       : (ParseUnixListLine(line, nowUtc, out) || ParseDosListLine(line, out));
}

std::vector<DirEntry> ParseListing(std::string_view text, ListingFormat format, int64_t nowUtc) {
  std::vector<DirEntry> entries;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    DirEntry entry;
    if (ParseListingLine(line, format, nowUtc, entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace tarnholm::backend

