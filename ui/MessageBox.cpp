#include "ui/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

MessageBoxResponder& Responder() {
  static MessageBoxResponder responder;
  return responder;
}

InputBoxResponder& InputResponder() {
  static InputBoxResponder responder;
  return responder;
}

QMessageBox::Icon ToQtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder) { Responder() = std::move(responder); }
void SetInputBoxResponder(InputBoxResponder responder) { InputResponder() = std::move(responder); }

BoxAnswer ShowMessageBox(QWidget* owner, const MessageBoxRequest& request) {
  if (Responder()) return Responder()(request);

  QMessageBox box(ToQtIcon(request.icon), request.title, QString(), QMessageBox::NoButton, owner);
  box.setObjectName(QStringLiteral("messageBox"));
  // Names of files and captions from the settings are shown as they are, never as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(request.text);
  box.setWindowModality(Qt::ApplicationModal);
  if (request.buttons == BoxButtons::Ok) {
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return BoxAnswer::Ok;
  }
  QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
  QPushButton* yesToAll =
      request.buttons == BoxButtons::YesNoAll ? box.addButton(QStringLiteral("Ja, alle"), QMessageBox::YesRole) : nullptr;
  QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
  QPushButton* noToAll =
      request.buttons == BoxButtons::YesNoAll ? box.addButton(QStringLiteral("Nein, keine"), QMessageBox::NoRole) : nullptr;
  yes->setObjectName(QStringLiteral("boxYes"));
  no->setObjectName(QStringLiteral("boxNo"));
  if (yesToAll != nullptr) yesToAll->setObjectName(QStringLiteral("boxYesToAll"));
  if (noToAll != nullptr) noToAll->setObjectName(QStringLiteral("boxNoToAll"));
  box.setDefaultButton(request.defaultNo ? no : yes);
  // Escape is the plain No: it never answers for the files still to come.
  box.setEscapeButton(no);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == yes) return BoxAnswer::Yes;
  if (clicked != nullptr && clicked == yesToAll) return BoxAnswer::YesToAll;
  if (clicked != nullptr && clicked == noToAll) return BoxAnswer::NoToAll;
  return BoxAnswer::No;
}

void ShowInfo(QWidget* owner, const QString& title, const QString& text) {
  (void)ShowMessageBox(owner, {title, text, BoxButtons::Ok, BoxIcon::None, false});
}

bool AskYesNo(QWidget* owner, const QString& title, const QString& text, BoxIcon icon, bool defaultNo) {
  return ShowMessageBox(owner, {title, text, BoxButtons::YesNo, icon, defaultNo}) == BoxAnswer::Yes;
}

QString ShowInputBox(const InputBoxRequest& request) {
  if (InputResponder()) return InputResponder()(request);

  QDialog dialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  dialog.setObjectName(QStringLiteral("inputBox"));
  dialog.setWindowTitle(request.title);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setFixedSize(300, 130);

  auto* prompt = new QLabel(&dialog);
  prompt->setObjectName(QStringLiteral("inputPrompt"));
  prompt->setTextFormat(Qt::PlainText);
  prompt->setText(request.prompt);
  prompt->setGeometry(10, 10, 280, 40);
  prompt->setWordWrap(true);
  auto* field = new QLineEdit(request.preset, &dialog);
  field->setObjectName(QStringLiteral("inputField"));
  field->setGeometry(10, 55, 280, 25);
  field->setCursorPosition(static_cast<int>(request.preset.size()));
  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  ok->setObjectName(QStringLiteral("inputOk"));
  ok->setGeometry(120, 92, 80, 28);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), &dialog);
  cancel->setObjectName(QStringLiteral("inputCancel"));
  cancel->setGeometry(210, 92, 80, 28);
  cancel->setAutoDefault(false);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dialog.move(screen->availableGeometry().center() - QPoint(150, 65));
  }
  field->setFocus();
  // "Abbrechen", Escape and the close box reject the dialog: the answer is then empty.
  return dialog.exec() == QDialog::Accepted ? field->text() : QString();
}
