#include "settings/ProfileMenu.h"

#include <QComboBox>
#include <QListWidget>

#include "settings/ProfileNames.h"
#include "settings/SettingsWindow.h"
#include "ui/MessageBox.h"

namespace {

void AppendAndSelect(QListWidget* list, const QString& name) {
  list->addItem(name);
  list->setCurrentRow(list->count() - 1);
  list->setFocus();
}

}  // namespace

void NewProfile(AppState& state) {
  if (state.settings == nullptr) return;
  SettingsWindow& w = *state.settings;
  const QString name = ShowInputBox(
      {QStringLiteral("Tarnholm"), QStringLiteral("Bitte den Namen für das neue Profil eingeben:"), QString()});
  if (!IsUsableProfileName(name)) return;
  AppendAndSelect(w.profileList, name);
  // The placeholders are the start values of a fresh application state.
  static const AppState kFresh;
  ProfileFields fields;
  fields.protocol = w.protocol->currentIndex() + 1;  // the protocol choice stays
  fields.hostUrl = kFresh.hostUrl;
  fields.hostPort = 21;
  fields.dnLdFolder = kFresh.dnLdFolder;
  PutProfileFields(w, fields);
}

void CloneProfile(AppState& state) {
  if (state.settings == nullptr) return;
  const QString name = SelectedProfileName(*state.settings);
  if (name.isEmpty()) return;
  // The fields stay: the copy gets whatever they show at "Ok".
  AppendAndSelect(state.settings->profileList, name + QStringLiteral(" - Kopie"));
}

void RenameProfile(AppState& state) {
  if (state.settings == nullptr) return;
  QListWidgetItem* item = state.settings->profileList->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const QString newName = ShowInputBox({QStringLiteral("Tarnholm"),
                                        QStringLiteral("Das Profil '") + item->text() +
                                            QStringLiteral("' wird umbenannt.\nBitte den neuen Namen eingeben:"),
                                        QString()});
  if (!IsUsableProfileName(newName)) return;
  item->setText(newName);
  state.settings->profileList->setFocus();
}

void DeleteProfile(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  QListWidget* list = state.settings->profileList;
  QListWidgetItem* item = list->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  if (!AskYesNo(state.settings->window, QStringLiteral("Tarnholm"),
                QStringLiteral("Wollen Sie das Profil '") + item->text() + QStringLiteral("' wirklich löschen?"),
                BoxIcon::Question)) {
    return;
  }
  delete list->takeItem(list->row(item));
  list->setFocus();
  if (list->count() == 0) return;
  list->setCurrentRow(0);
  LoadProfileIntoFields(state, fileName);
}
