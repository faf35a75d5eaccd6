#pragma once
// The settings file as an ordered list of entries, parsed from and written to
// bytes in memory. No file access and no Qt widgets here: SettingsFile wraps
// this with the one open file of the process.
//
// Names and values are UTF-8 bytes. Group and key names compare equal when they
// differ only in the case of the ASCII letters A to Z; every other byte must match.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

enum class SettingsEntryKind : uint8_t { Group, Comment, Key };

struct SettingsEntry {
  SettingsEntryKind kind = SettingsEntryKind::Key;
  QByteArray name;   // group name, comment text or key name
  QByteArray value;  // key entries only
};

// Index of the current group header; this value stands for the entries before
// the first header.
inline constexpr int kLeadingSection = -1;

struct SettingsDocument {
  std::vector<SettingsEntry> entries;
  int currentGroup = kLeadingSection;
  QByteArray pendingGroup;  // selected but missing; created by the next write
  bool changed = false;
};

// The file's bytes as UTF-8 text: after a byte-order mark they are taken as
// they stand (without the mark), otherwise every byte is a Latin-1 character.
[[nodiscard]] QByteArray SettingsBytesToUtf8(const QByteArray& fileBytes);

// Splits UTF-8 text into entries. Any run of CR and LF ends a line, so empty
// lines vanish; blank lines and leading blanks and tabs are skipped.
[[nodiscard]] std::vector<SettingsEntry> ParseSettingsText(QByteArrayView text);

// The complete file: byte-order mark, CR LF, then one CR LF-terminated line
// per entry, with an empty line before every group header but the first.
[[nodiscard]] QByteArray SerialiseSettings(const std::vector<SettingsEntry>& entries);

[[nodiscard]] bool SettingsNamesEqual(QByteArrayView a, QByteArrayView b);

// Decimal conversion as the file's integers need it: leading white space, an
// optional sign, digits up to the first other character; no digits give 0.
// Values outside 32 bits saturate.
[[nodiscard]] int32_t SettingsValueToInteger(QByteArrayView value);

// Value without its leading blanks and tabs.
[[nodiscard]] QByteArray SettingsValueTrimmedFront(const QByteArray& value);

// True when the group exists or name is empty (leading section). A missing
// group becomes the pending group and the current group stays as it was.
[[nodiscard]] bool DocumentSelectGroup(SettingsDocument& doc, QByteArrayView name);

// The first key entry of that name in the current group; null when there is a
// pending group or no such key.
[[nodiscard]] const SettingsEntry* DocumentFindKey(const SettingsDocument& doc,
                                                   QByteArrayView key);

// Sets key in the current group, creating a pending group at the end first.
// The stored key name takes the spelling of this call. Line-end characters in
// the key, the value or a new group name are dropped so that a value cannot
// change the structure of the file.
void DocumentWrite(SettingsDocument& doc, QByteArrayView key, const QByteArray& value);

// Removes the first group of that name with all its entries.
void DocumentRemoveGroup(SettingsDocument& doc, QByteArrayView name);

struct SettingsGroupChange {
  QByteArray name;     // the first group of this name, as the list was before the change
  QByteArray newName;  // empty: the group is removed with all its entries
};

// Renames and removes groups in one step: every change finds its group before
// any of them is applied, so renames may chain or swap names. A name that
// matches no group is skipped. Afterwards the leading section is current.
void DocumentChangeGroups(SettingsDocument& doc, const std::vector<SettingsGroupChange>& changes);

void DocumentRewindGroups(SettingsDocument& doc);

// Moves to the next group header; false at the end, without moving.
[[nodiscard]] bool DocumentNextGroup(SettingsDocument& doc);

// Name of the current group; empty in the leading section.
[[nodiscard]] QByteArray DocumentGroupName(const SettingsDocument& doc);
