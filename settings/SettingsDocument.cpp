#include "settings/SettingsDocument.h"

#include <QString>
#include <algorithm>
#include <limits>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
constexpr QByteArrayView kLineEnd("\r\n");

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

QByteArrayView TrimBack(QByteArrayView s) {
  while (!s.isEmpty() && IsBlank(s.back())) s.chop(1);
  return s;
}

QByteArrayView TrimFront(QByteArrayView s) {
  while (!s.isEmpty() && IsBlank(s.front())) s = s.sliced(1);
  return s;
}

// line has no line end and does not start with a blank; it is not empty.
SettingsEntry ParseLine(QByteArrayView line) {
  if (line.front() == ';') {
    QByteArrayView text = line.sliced(1);
    if (text.startsWith(' ')) text = text.sliced(1);
    return {SettingsEntryKind::Comment, text.toByteArray(), {}};
  }
  if (line.front() == '[') {
    QByteArrayView name = line.sliced(1);
    const qsizetype close = name.indexOf(']');
    if (close >= 0) name = name.first(close);
    return {SettingsEntryKind::Group, name.toByteArray(), {}};
  }
  const qsizetype equals = line.indexOf('=');
  if (equals < 0) return {SettingsEntryKind::Key, TrimBack(line).toByteArray(), {}};
  return {SettingsEntryKind::Key, TrimBack(line.first(equals)).toByteArray(),
          TrimFront(line.sliced(equals + 1)).toByteArray()};
}

// A line end inside a written name or value would split the line and let the
// rest be read as another key or group, so line-end characters are dropped.
QByteArray OneLine(QByteArrayView s) {
  QByteArray out = s.toByteArray();
  out.removeIf([](char c) { return IsLineEnd(c); });
  return out;
}

bool IsGroup(const SettingsEntry& e) { return e.kind == SettingsEntryKind::Group; }

// Index of the first entry after the current group's header (0 for the leading section).
size_t GroupBodyStart(const SettingsDocument& doc) {
  return doc.currentGroup == kLeadingSection ? 0 : size_t(doc.currentGroup) + 1;
}

// Index of the next group header at or after `from`, or the list size.
size_t NextHeaderFrom(const SettingsDocument& doc, size_t from) {
  while (from < doc.entries.size() && !IsGroup(doc.entries[from])) ++from;
  return from;
}

int FindGroup(const SettingsDocument& doc, QByteArrayView name) {
  for (size_t i = 0; i < doc.entries.size(); ++i) {
    if (IsGroup(doc.entries[i]) && SettingsNamesEqual(doc.entries[i].name, name)) return int(i);
  }
  return -1;
}

// Index of the key in the current group, ignoring the pending group; -1 if absent.
int FindKeyIndex(const SettingsDocument& doc, QByteArrayView key) {
  const size_t end = NextHeaderFrom(doc, GroupBodyStart(doc));
  for (size_t i = GroupBodyStart(doc); i < end; ++i) {
    const SettingsEntry& e = doc.entries[i];
    if (e.kind == SettingsEntryKind::Key && SettingsNamesEqual(e.name, key)) return int(i);
  }
  return -1;
}

}  // namespace

QByteArray SettingsBytesToUtf8(const QByteArray& fileBytes) {
  if (fileBytes.startsWith(kByteOrderMark)) return fileBytes.sliced(kByteOrderMark.size());
  return QString::fromLatin1(fileBytes).toUtf8();
}

std::vector<SettingsEntry> ParseSettingsText(QByteArrayView text) {
  std::vector<SettingsEntry> entries;
  qsizetype pos = 0;
  while (pos < text.size()) {
    qsizetype end = pos;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    const QByteArrayView line = TrimFront(text.sliced(pos, end - pos));
    if (!line.isEmpty()) entries.push_back(ParseLine(line));
    pos = end;
    while (pos < text.size() && IsLineEnd(text[pos])) ++pos;
  }
  return entries;
}

QByteArray SerialiseSettings(const std::vector<SettingsEntry>& entries) {
  QByteArray out;
  out.append(kByteOrderMark).append(kLineEnd);
  bool firstHeader = true;
  for (const SettingsEntry& e : entries) {
    switch (e.kind) {
      case SettingsEntryKind::Group:
        if (!firstHeader) out.append(kLineEnd);
        firstHeader = false;
        out.append('[').append(e.name).append(']');
        break;
      case SettingsEntryKind::Comment:
        out.append("; ").append(e.name);
        break;
      case SettingsEntryKind::Key:
        out.append(e.name).append(" = ").append(e.value);
        break;
    }
    out.append(kLineEnd);
  }
  return out;
}

bool SettingsNamesEqual(QByteArrayView a, QByteArrayView b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

int32_t SettingsValueToInteger(QByteArrayView value) {
  qsizetype i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < value.size() && isSpace(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  // Accumulate in 64 bits and stop growing once past the 32-bit range.
  constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
  int64_t magnitude = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (value[i] - '0'), kLimit);
  }
  const int64_t result = negative ? -magnitude : magnitude;
  return int32_t(std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max()));
}

QByteArray SettingsValueTrimmedFront(const QByteArray& value) {
  return TrimFront(value).toByteArray();
}

bool DocumentSelectGroup(SettingsDocument& doc, QByteArrayView name) {
  if (name.isEmpty()) {
    doc.currentGroup = kLeadingSection;
    doc.pendingGroup.clear();
    return true;
  }
  const int index = FindGroup(doc, name);
  if (index < 0) {
    doc.pendingGroup = name.toByteArray();
    return false;
  }
  doc.currentGroup = index;
  doc.pendingGroup.clear();
  return true;
}

const SettingsEntry* DocumentFindKey(const SettingsDocument& doc, QByteArrayView key) {
  if (!doc.pendingGroup.isEmpty()) return nullptr;
  const int index = FindKeyIndex(doc, key);
  return index < 0 ? nullptr : &doc.entries[size_t(index)];
}

void DocumentWrite(SettingsDocument& doc, QByteArrayView key, const QByteArray& value) {
  if (!doc.pendingGroup.isEmpty()) {
    doc.entries.push_back({SettingsEntryKind::Group, OneLine(doc.pendingGroup), {}});
    doc.currentGroup = int(doc.entries.size()) - 1;
    doc.pendingGroup.clear();
  }
  const int index = FindKeyIndex(doc, key);
  if (index >= 0) {
    doc.entries[size_t(index)].name = OneLine(key);
    doc.entries[size_t(index)].value = OneLine(value);
  } else {
    const size_t at = NextHeaderFrom(doc, GroupBodyStart(doc));
    doc.entries.insert(doc.entries.begin() + qsizetype(at),
                       {SettingsEntryKind::Key, OneLine(key), OneLine(value)});
  }
  doc.changed = true;
}

void DocumentRemoveGroup(SettingsDocument& doc, QByteArrayView name) {
  const int header = FindGroup(doc, name);
  if (header < 0) return;
  const size_t end = NextHeaderFrom(doc, size_t(header) + 1);
  const int removed = int(end) - header;
  doc.entries.erase(doc.entries.begin() + header, doc.entries.begin() + qsizetype(end));
  if (doc.currentGroup == header) {
    doc.currentGroup = kLeadingSection;
  } else if (doc.currentGroup > header) {
    doc.currentGroup -= removed;
  }
  doc.changed = true;
}

void DocumentChangeGroups(SettingsDocument& doc, const std::vector<SettingsGroupChange>& changes) {
  std::vector<std::pair<int, const SettingsGroupChange*>> found;
  for (const SettingsGroupChange& change : changes) {
    const int header = FindGroup(doc, change.name);
    const bool seen = std::any_of(found.begin(), found.end(), [header](const auto& f) { return f.first == header; });
    if (header >= 0 && !seen) found.emplace_back(header, &change);
  }
  if (found.empty()) return;
  for (const auto& [header, change] : found) {
    if (!change->newName.isEmpty()) doc.entries[size_t(header)].name = OneLine(change->newName);
  }
  // From the end, so that the headers found before stay where they are.
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [header, change] : found) {
    if (!change->newName.isEmpty()) continue;
    const size_t end = NextHeaderFrom(doc, size_t(header) + 1);
    doc.entries.erase(doc.entries.begin() + header, doc.entries.begin() + qsizetype(end));
  }
  doc.currentGroup = kLeadingSection;
  doc.pendingGroup.clear();
  doc.changed = true;
}

void DocumentRewindGroups(SettingsDocument& doc) {
  doc.currentGroup = kLeadingSection;
  doc.pendingGroup.clear();
}

bool DocumentNextGroup(SettingsDocument& doc) {
  const size_t next = NextHeaderFrom(doc, GroupBodyStart(doc));
  if (next >= doc.entries.size()) return false;
  doc.currentGroup = int(next);
  return true;
}

QByteArray DocumentGroupName(const SettingsDocument& doc) {
  if (doc.currentGroup == kLeadingSection) return {};
  return doc.entries[size_t(doc.currentGroup)].name;
}
