#pragma once
// Modal message and input boxes. Every box of the program goes through these
// functions, so tests can install a responder that records what was asked and
// answers without a display.

#include <QString>
#include <functional>

class QWidget;

// YesNoAll: "Ja", "Ja, alle", "Nein", "Nein, keine", for a question asked
// about one of several files: the answers for all spare the questions after it.
enum class BoxButtons { Ok, YesNo, YesNoAll };
enum class BoxIcon { None, Question, Warning, Error, Information };
enum class BoxAnswer { Ok, Yes, No, YesToAll, NoToAll };

struct MessageBoxRequest {
  QString title;
  QString text;
  BoxButtons buttons = BoxButtons::Ok;
  BoxIcon icon = BoxIcon::None;
  bool defaultNo = false;  // Yes/No boxes whose safe answer is No
};

// Shows a modal box owned by `owner` (may be null) and answers the pressed
// button. The text is plain text; its line breaks stand as they are.
BoxAnswer ShowMessageBox(QWidget* owner, const MessageBoxRequest& request);

// Convenience forms.
void ShowInfo(QWidget* owner, const QString& title, const QString& text);
[[nodiscard]] bool AskYesNo(QWidget* owner, const QString& title, const QString& text,
                            BoxIcon icon = BoxIcon::None, bool defaultNo = false);

struct InputBoxRequest {
  QString title;
  QString prompt;
  QString preset;
};

// 300 x 130, centred on the screen; Enter or "OK" confirms, "Abbrechen", Escape
// or closing gives "".
QString ShowInputBox(const InputBoxRequest& request);

// Test hooks: while set, boxes are not shown; the responder answers instead.
using MessageBoxResponder = std::function<BoxAnswer(const MessageBoxRequest&)>;
using InputBoxResponder = std::function<QString(const InputBoxRequest&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);
void SetInputBoxResponder(InputBoxResponder responder);
