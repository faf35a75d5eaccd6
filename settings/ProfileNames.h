#pragma once
// Profile names and the profile list text: which names the settings file can
// hold as a group of their own, and the one text that lists them all, each
// name followed by "°°°".

#include <QString>
#include <QStringList>

// The group of the program-wide settings; never a profile.
inline const QString kGlobalGroup = QStringLiteral("Global");

// Follows every name in the profile list text.
inline const QString kProfileSeparator = QStringLiteral("\u00B0\u00B0\u00B0");

// The names of the profile list text ("A°°°B°°°"), in order.
[[nodiscard]] QStringList SplitProfileList(const QString& profileListText);
[[nodiscard]] QString JoinProfileList(const QStringList& names);

// False for names the settings file cannot hold as a group of their own: the
// empty name, a name with "]" or a line break, one that would run into the
// list separator "°°°", one that begins with a blank or tab (selProfile would
// read back without it), and "Global" (the file matches group names ignoring
// ASCII case, so any spelling of it would address the program-wide group).
[[nodiscard]] bool IsUsableProfileName(const QString& name);

// True when the two names address the same group of the settings file: equal
// but for the case of the ASCII letters A to Z.
[[nodiscard]] bool ProfileNamesClash(const QString& a, const QString& b);
