#include "app/ShowProfile.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "state/StatusLog.h"
#include "crypto/KeyText.h"
#include "local/LocalList.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"

void ShowProfileInWindow(AppState& state) {
  MainWindowWidgets& w = state.main;
  bool keyUsable = false;
  if (state.useCipher != 0) {
    keyUsable = ParseKeyText(state.cipherCode, state.keyMaterial, [&w](const QString& title, const QString& text) {
      ShowInfo(w.window, title, text);
    });
  }
  // Encryption stays on as the profile says: with a key that is not valid,
  // uploads and encrypted downloads are refused rather than done in plain text.
  state.keyTextInvalid = state.useCipher != 0 && !keyUsable;
  if (keyUsable) {
    w.keyIndicator->setPixmap(LoadProgramImages().key);
  } else {
    w.keyIndicator->clear();
  }
  w.window->setWindowTitle(QStringLiteral("Tarnholm - [") + state.profileName + QStringLiteral("]"));
  ApplyTooltips(state);
  w.localCaption->setText(state.textLocal);
  w.serverCaption->setText(state.textHost);
  w.localPath->setText(state.localFolder);
  SetLocalDirectory(state, state.localFolder);
}
