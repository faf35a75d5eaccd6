#include "settings/ProfileNames.h"

#include "settings/SettingsDocument.h"

QStringList SplitProfileList(const QString& profileListText) {
  return profileListText.split(kProfileSeparator, Qt::SkipEmptyParts);
}

QString JoinProfileList(const QStringList& names) {
  QString text;
  for (const QString& name : names) text += name + kProfileSeparator;
  return text;
}

bool IsUsableProfileName(const QString& name) {
  if (name.isEmpty()) return false;
  // A group name ends at its first "]"; a value cannot hold a line end.
  if (name.contains(QLatin1Char(']')) || name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'))) {
    return false;
  }
  // A trailing degree sign would merge with the separator that follows it.
  if (name.contains(kProfileSeparator) || name.endsWith(QChar(0x00B0))) return false;
  // Values are read without their leading blanks and tabs.
  if (name.startsWith(QLatin1Char(' ')) || name.startsWith(QLatin1Char('\t'))) return false;
  return !ProfileNamesClash(name, kGlobalGroup);
}

bool ProfileNamesClash(const QString& a, const QString& b) { return SettingsNamesEqual(a.toUtf8(), b.toUtf8()); }
