#pragma once
// The settings window: the program-wide settings, the fields of one profile,
// the profile list with its menu and the key generator's button. It exists
// only while open, shows the application state and changes neither the state
// nor the file until "Ok".

#include <QString>
#include <cstdint>

#include "state/AppState.h"
#include "crypto/KeyGenerator.h"
#include "settings/ProfileSwitch.h"
#include "ui/Event.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The window's elements, in their order of creation.
struct SettingsWindow {
  QWidget* window = nullptr;
  QPushButton* cancelButton = nullptr;
  QPushButton* okButton = nullptr;
  QLabel* hostUrlLabel = nullptr;
  QLabel* hostUserLabel = nullptr;
  QLabel* hostPassLabel = nullptr;
  QLineEdit* hostUrl = nullptr;
  QLineEdit* hostUser = nullptr;
  QLineEdit* hostPass = nullptr;
  QLabel* hostPortLabel = nullptr;
  QLineEdit* hostPort = nullptr;  // digits only
  QLabel* versionLabel = nullptr;
  QLabel* dnLdFolderLabel = nullptr;
  QLabel* textLocalLabel = nullptr;
  QLabel* textHostLabel = nullptr;
  QLineEdit* dnLdFolder = nullptr;
  QLineEdit* textLocal = nullptr;
  QLineEdit* textHost = nullptr;
  QCheckBox* overwrite = nullptr;
  QCheckBox* tooltipsOff = nullptr;
  QCheckBox* useCipher = nullptr;
  QCheckBox* appPathForTemp = nullptr;
  QListWidget* profileList = nullptr;
  QLabel* cipherCodeLabel = nullptr;
  QPushButton* keyButton = nullptr;
  QPlainTextEdit* cipherCode = nullptr;
  QLabel* profileLabel = nullptr;
  QFrame* separator = nullptr;
  QLabel* protocolLabel = nullptr;
  QComboBox* protocol = nullptr;  // entry i stands for Protocol i + 1

  // What the profile list shows, row by row, and the groups of the entries
  // deleted since the window opened. Only the profile menu changes them.
  ProfileListEdit profiles;
};

// The values of one profile as the window shows them.
struct ProfileFields {
  int32_t protocol = 1;
  QString hostUrl;
  int32_t hostPort = 21;
  QString hostUser;
  QString hostPass;
  QString dnLdFolder;
  QString cipherCode;
  int32_t useCipher = 0;
};

// Refused with a message while connected; does nothing while the settings or
// the overview window is open. The main window takes no input while it is open.
void OpenSettingsWindow(AppState& state, const EventSink& sink);

// Closes the window; nothing is stored.
void CloseSettingsWindow(AppState& state);

void PutProfileFields(SettingsWindow& window, const ProfileFields& fields);

// The text of the selected profile entry; empty when none is selected.
[[nodiscard]] QString SelectedProfileName(const SettingsWindow& window);

// Row of the selected profile entry; -1 when none is selected.
[[nodiscard]] int SelectedProfileRow(const SettingsWindow& window);

// Makes `row` the selected entry (or none for -1) without reporting it as the
// user's choice, so that no fields are loaded.
void SelectProfileRow(SettingsWindow& window, int row);

// Reads the selected entry's group into the profile fields; the program-wide
// fields keep what they show. Runs on every selection change of the user
// (click, keyboard, right click), so fields and selection always agree.
void LoadProfileIntoFields(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));

enum class ConfirmResult {
  KeptOpen,  // no profile selected, or the key question answered No
  Applied,   // state and file updated; the main window must show the profile, the window close
};

// The "Ok" handler: takes the fields into the application state, applies the
// profile list and saves the settings.
[[nodiscard]] ConfirmResult ConfirmSettings(AppState& state, const QString& fileName = QStringLiteral("ftp.ini"));

// Runs the key generator over the window and puts the new key text into the
// key field; nothing is stored. Unavailable: the program must end at once.
[[nodiscard]] KeyGeneratorResult GenerateKey(AppState& state);
