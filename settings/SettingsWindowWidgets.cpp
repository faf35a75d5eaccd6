#include "settings/SettingsWindowWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>

#include "ui/FittingFont.h"
#include "ui/KeyEvents.h"
#include "ui/WindowEvents.h"

namespace {

constexpr int kWidth = 840;
constexpr int kHeight = 420;

QPushButton* CreateButton(QWidget* parent, const QString& text, const QRect& geometry) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

QLabel* CreateLabel(QWidget* parent, const QString& text, const QRect& geometry, Qt::Alignment alignment) {
  auto* label = new QLabel(parent);
  // Captions are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setGeometry(geometry);
  label->setAlignment(alignment | Qt::AlignVCenter);
  return label;
}

QLabel* CreateRightLabel(QWidget* parent, const QString& text, const QRect& geometry) {
  return CreateLabel(parent, text, geometry, Qt::AlignRight);
}

QLineEdit* CreateField(QWidget* parent, const QRect& geometry) {
  auto* field = new QLineEdit(parent);
  field->setGeometry(geometry);
  return field;
}

QCheckBox* CreateCheckBox(QWidget* parent, const QString& text, const QRect& geometry) {
  auto* box = new QCheckBox(text, parent);
  box->setGeometry(geometry);
  return box;
}

// Every caption shows whole, and the profile list shows two whole rows.
bool SettingsWindowFits(const SettingsWindow& s) {
  const QList<const QWidget*> captions = {
      s.cancelButton,   s.okButton,       s.hostUrlLabel,    s.hostUserLabel, s.hostPassLabel,
      s.hostPortLabel,  s.versionLabel,   s.dnLdFolderLabel, s.textLocalLabel, s.textHostLabel,
      s.overwrite,      s.tooltipsOff,    s.useCipher,       s.appPathForTemp, s.cipherCodeLabel,
      s.keyButton,      s.profileLabel,   s.protocolLabel};
  const int rowHeight = s.profileList->fontMetrics().height();
  const int listRoom = s.profileList->height() - 2 * s.profileList->frameWidth();
  return CaptionsFit(captions) && 2 * rowHeight <= listRoom;
}

}  // namespace

SettingsWindow* CreateSettingsWindow(QWidget* owner, const EventSink& sink) {
  auto* s = new SettingsWindow;
  auto* window = new QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint);
  window->setObjectName(QStringLiteral("settingsWindow"));
  window->setWindowTitle(QStringLiteral("Tarnholm-Einstellungen"));
  window->setFixedSize(kWidth, kHeight);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  // Behaves as a dialog: the main window takes no input while it is open.
  window->setWindowModality(Qt::WindowModal);
  s->window = window;

  s->cancelButton = CreateButton(window, QStringLiteral("Abbrechen"), {690, 370, 100, 25});
  s->okButton = CreateButton(window, QStringLiteral("Ok"), {570, 370, 100, 25});
  s->hostUrlLabel = CreateRightLabel(window, QStringLiteral("FTP-Server-Adresse (IP oder URL):"), {10, 150, 200, 20});
  s->hostUserLabel = CreateRightLabel(window, QStringLiteral("FTP-Benutzername:"), {10, 210, 200, 20});
  s->hostPassLabel = CreateRightLabel(window, QStringLiteral("FTP-Passwort:"), {10, 240, 200, 20});
  s->hostUrl = CreateField(window, {220, 147, 230, 20});
  s->hostUser = CreateField(window, {220, 207, 230, 20});
  s->hostPass = CreateField(window, {220, 237, 230, 20});
  s->hostPass->setEchoMode(QLineEdit::Password);
  s->hostPortLabel = CreateRightLabel(window, QStringLiteral("FTP-Server-Port:"), {10, 180, 200, 20});
  s->hostPort = CreateField(window, {220, 177, 230, 20});
  s->hostPort->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), s->hostPort));
  s->versionLabel = CreateLabel(window, QStringLiteral("Tarnholm " TARNHOLM_VERSION), {0, 20, 840, 20},
                                Qt::AlignHCenter);
  s->dnLdFolderLabel =
      CreateRightLabel(window, QStringLiteral("Download-Pfad für Zwischenablage:"), {10, 290, 200, 20});
  s->textLocalLabel = CreateRightLabel(window, QStringLiteral("Beschriftung der PC-Dateiliste:"), {10, 320, 200, 20});
  s->textHostLabel = CreateRightLabel(window, QStringLiteral("Beschriftung der FTP-Dateiliste:"), {10, 350, 200, 20});
  s->dnLdFolder = CreateField(window, {220, 287, 230, 20});
  s->textLocal = CreateField(window, {220, 317, 230, 20});
  s->textHost = CreateField(window, {220, 347, 230, 20});
  s->overwrite = CreateCheckBox(window, QStringLiteral(" Gleichnamige Dateien ohne Nachfrage überschreiben"),
                                {510, 255, 320, 25});
  s->tooltipsOff = CreateCheckBox(window, QStringLiteral(" Tooltips ausschalten"), {510, 305, 170, 25});
  s->useCipher = CreateCheckBox(window, QStringLiteral(" AES-256-Verschlüsselung einschalten"), {510, 210, 240, 25});
  s->appPathForTemp = CreateCheckBox(
      window, QStringLiteral(" Anwendungsverzeichnis für temporäre Dateien nutzen"), {510, 280, 320, 25});
  s->profileList = new QListWidget(window);
  s->profileList->setGeometry(220, 65, 230, 30);
  s->profileList->setSelectionMode(QAbstractItemView::SingleSelection);
  s->profileList->setContextMenuPolicy(Qt::CustomContextMenu);
  s->cipherCodeLabel = CreateLabel(window, QStringLiteral(" Schlüssel (48 Byte):"), {510, 80, 200, 20}, Qt::AlignLeft);
  s->keyButton = CreateButton(window, QStringLiteral("neuen Schlüssel erzeugen"), {510, 170, 180, 25});
  s->cipherCode = new QPlainTextEdit(window);
  s->cipherCode->setGeometry(510, 100, 280, 60);
  s->cipherCode->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  s->cipherCode->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  s->profileLabel = CreateRightLabel(window, QStringLiteral("Profil:"), {10, 83, 200, 20});
  s->separator = new QFrame(window);
  s->separator->setGeometry(480, 50, 1, 350);
  s->separator->setFrameShape(QFrame::VLine);
  s->separator->setFrameShadow(QFrame::Plain);
  s->separator->setLineWidth(1);
  s->protocolLabel = CreateRightLabel(window, QStringLiteral("FTP-Protocol:"), {10, 120, 200, 20});
  s->protocol = new QComboBox(window);
  s->protocol->setGeometry(220, 117, 230, 20);
  s->protocol->setEditable(false);

  auto report = [sink](WidgetId widget, EventType type) {
    sink(Event{EventKind::Widget, WindowId::Settings, widget, type, 0});
  };
  QObject::connect(s->cancelButton, &QPushButton::clicked, window,
                   [report] { report(WidgetId::SettingsCancel, EventType::None); });
  QObject::connect(s->okButton, &QPushButton::clicked, window,
                   [report] { report(WidgetId::SettingsOk, EventType::None); });
  QObject::connect(s->keyButton, &QPushButton::clicked, window,
                   [report] { report(WidgetId::KeyGenerateButton, EventType::None); });
  QObject::connect(s->profileList, &QListWidget::itemClicked, window,
                   [report] { report(WidgetId::ProfileList, EventType::LeftClick); });
  // Keyboard and right-click selection changes load the profile as a click does.
  QObject::connect(s->profileList, &QListWidget::itemSelectionChanged, window,
                   [report] { report(WidgetId::ProfileList, EventType::LeftClick); });
  QObject::connect(s->profileList, &QListWidget::customContextMenuRequested, window,
                   [report] { report(WidgetId::ProfileList, EventType::RightClick); });
  RouteKeys(window, WindowId::Settings, WidgetId::None, {KeyId::Escape}, sink);
  RouteWindowEvents(window, WindowId::Settings, sink);
  FitWindowFont(window, [s] { return SettingsWindowFits(*s); });
  // Two rows fill the list exactly, so no cut third row shows beneath them.
  const int listRoom = s->profileList->height() - 2 * s->profileList->frameWidth();
  const int scrollBar = s->profileList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, s->profileList);
  s->profileList->setGridSize(QSize(s->profileList->width() - 2 * s->profileList->frameWidth() - scrollBar, listRoom / 2));

  if (owner != nullptr) window->move(owner->geometry().center() - QPoint(kWidth / 2, kHeight / 2));
  return s;
}

void DestroySettingsWindow(SettingsWindow* settings) {
  if (settings == nullptr) return;
  CloseRoutedWindow(settings->window);
  // The window may be closed from one of its own signals.
  settings->window->deleteLater();
  delete settings;
}
