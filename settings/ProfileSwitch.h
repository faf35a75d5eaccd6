#pragma once
// The profile part of the settings window's "Ok": switching the current
// profile, and carrying the window's renames and deletions into the file.

#include <QString>
#include <QStringList>
#include <vector>

#include "state/AppState.h"

// One entry of the settings window's profile list.
struct ListedProfile {
  QString name;
  // The group that holds the entry's values until "Ok", as the window found
  // it in the profile list (also when the entry has been renamed since); empty
  // for an entry made in the window (new or cloned), which has no group yet.
  QString storedAs;
};

// What the window's list has become: its entries in display order, and the
// groups of the entries the user deleted.
struct ProfileListEdit {
  std::vector<ListedProfile> listed;
  QStringList deletedGroups;
};

// Switches to `selected` when it is not the current profile (storing the old
// profile's folders, reading the selected one's), gives renamed entries'
// groups their new names, removes exactly the groups of deleted entries and
// rebuilds the profile list text. Groups the window did not know (added by
// hand or by another copy meanwhile) stay. File errors are silent; the save
// that follows reports them.
void ApplyProfileList(AppState& state, const ListedProfile& selected, const ProfileListEdit& edit,
                      const QString& fileName = QStringLiteral("ftp.ini"));
