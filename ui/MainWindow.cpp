#include "ui/MainWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

#include "ui/FileListColumns.h"
#include "ui/FileListWidget.h"
#include "ui/FittingFont.h"
#include "ui/Images.h"
#include "ui/KeyEvents.h"
#include "ui/WindowEvents.h"

namespace {

// Each list takes what the other one (or, for the server list, the desktop's
// file manager) drops on it; a drop becomes an event record.
FileListWidget* CreateList(QWidget* parent, const QRect& geometry, WidgetId id, DropKind accepts, EventSink sink) {
  auto* list = new FileListWidget(parent, id, accepts);
  list->SetDropSink(std::move(sink));
  list->setGeometry(geometry);
  list->setRootIsDecorated(false);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->setUniformRowHeights(true);
  list->header()->setStretchLastSection(false);
  return list;
}

QPushButton* CreateButton(QWidget* parent, const QString& caption, const QRect& geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* CreatePathField(QWidget* parent, const QRect& geometry) {
  auto* field = new QLineEdit(parent);
  field->setGeometry(geometry);
  field->setReadOnly(true);
  return field;
}

QLabel* CreateCaption(QWidget* parent, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignCenter);
  label->setTextFormat(Qt::PlainText);
  label->setFont(QFont(QStringLiteral("Arial"), 18));
  return label;
}

QPushButton* CreateImageButton(QWidget* parent, const QRect& geometry) {
  auto* button = CreateButton(parent, QString(), geometry);
  button->setIconSize(QSize(32, 92));
  return button;
}

// The largest font at which the buttons show their captions and each list
// shows a date, a size and a typical name whole.
bool MainWindowFits(const MainWindowWidgets& w) {
  if (!CaptionsFit({w.settingsButton, w.exitButton, w.connectButton, w.overviewButton})) return false;
  const QString name = QString::fromUtf8(kTypicalNameSample);
  const QStringList local = LocalListHeaderCaptions();
  const FileListColumnWidths localColumns = FileListColumns(w.localList, {local[0], local[1], local[3]}, true);
  const FileListColumnWidths serverColumns = FileListColumns(w.serverList, ServerListHeaderCaptions(), true);
  return localColumns.name >= FileNameWidth(w.localList, name) &&
         serverColumns.name >= FileNameWidth(w.serverList, name);
}

}  // namespace

void SetUpServerListColumns(QTreeWidget* list) {
  list->setColumnCount(3);
  list->setHeaderLabels(ServerListHeaderCaptions());
  // A header click sorts it, and the sort arrow needs its room beside the caption.
  ApplyFileListColumns(list, true);
}

void CreateMainWindow(MainWindowWidgets& w, EventSink sink) {
  auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                                          Qt::MSWindowsFixedSizeDialogHint);
  window->setObjectName(QStringLiteral("mainWindow"));
  window->setWindowTitle(QStringLiteral("Tarnholm"));
  window->setFixedSize(840, 420);
  // Every window of the program, message boxes included, shows this icon.
  QApplication::setWindowIcon(ProgramIcon());
  window->setWindowIcon(ProgramIcon());
  w.window = window;

  w.localList = CreateList(window, {40, 90, 320, 190}, WidgetId::LocalList, DropKind::ServerEntries, sink);
  w.localList->setObjectName(QStringLiteral("localList"));
  w.serverList = CreateList(window, {470, 90, 330, 190}, WidgetId::ServerList, DropKind::LocalFiles, sink);
  w.serverList->setObjectName(QStringLiteral("serverList"));
  w.serverList->setIconSize(QSize(16, 16));
  w.serverList->setColumnCount(1);
  w.settingsButton = CreateButton(window, QStringLiteral("Einstellungen"), {40, 370, 110, 25});
  w.exitButton = CreateButton(window, QStringLiteral("Beenden"), {690, 370, 110, 25});
  w.localPath = CreatePathField(window, {40, 60, 320, 25});
  w.serverPath = CreatePathField(window, {470, 60, 330, 25});
  w.localCaption = CreateCaption(window, QStringLiteral("PC"), {40, 15, 320, 40});
  w.serverCaption = CreateCaption(window, QStringLiteral("FTP-Server"), {470, 15, 330, 40});
  w.progressBar = new QProgressBar(window);
  w.progressBar->setGeometry(40, 300, 760, 15);
  w.progressBar->setRange(0, 1000);
  w.progressBar->setValue(0);
  w.progressBar->setTextVisible(false);
  w.connectButton = CreateButton(window, QStringLiteral("Verbinden"), {690, 330, 110, 25});
  w.connectButton->setCheckable(true);
  w.keyIndicator = new QLabel(window);
  w.keyIndicator->setGeometry(382, 100, 66, 30);
  w.keyIndicator->setTextFormat(Qt::PlainText);
  w.uploadButton = CreateImageButton(window, {420, 170, 40, 100});
  w.downloadButton = CreateImageButton(window, {370, 170, 40, 100});
  w.messageArea = new QPlainTextEdit(window);
  w.messageArea->setGeometry(170, 330, 500, 70);
  w.messageArea->setReadOnly(true);
  w.overviewButton = CreateButton(window, QStringLiteral("Übersicht"), {40, 330, 110, 25});
  // Between the lists and the bar: the running job's progress and its cancel control.
  w.progressText = new QLabel(window);
  w.progressText->setGeometry(40, 281, 650, 18);
  w.progressText->setTextFormat(Qt::PlainText);
  w.cancelButton = CreateButton(window, QStringLiteral("Abbrechen"), {700, 281, 100, 18});
  w.cancelButton->setShortcut(QKeySequence(Qt::Key_Escape));
  w.cancelButton->hide();

  const std::pair<QPushButton*, WidgetId> buttons[] = {
      {w.settingsButton, WidgetId::SettingsButton}, {w.exitButton, WidgetId::ExitButton},
      {w.connectButton, WidgetId::ConnectButton},   {w.uploadButton, WidgetId::UploadButton},
      {w.downloadButton, WidgetId::DownloadButton}, {w.overviewButton, WidgetId::OverviewButton},
      {w.cancelButton, WidgetId::CancelButton},
  };
  for (const auto& [button, id] : buttons) {
    QObject::connect(button, &QPushButton::clicked, window, [sink, id = id] {
      sink(Event{EventKind::Widget, WindowId::Main, id, EventType::None, 0});
    });
  }

  auto serverEvent = [sink](EventType type) {
    sink(Event{EventKind::Widget, WindowId::Main, WidgetId::ServerList, type, 0});
  };
  QObject::connect(w.serverList, &QTreeWidget::itemClicked, window, [serverEvent] { serverEvent(EventType::LeftClick); });
  QObject::connect(w.serverList, &QTreeWidget::itemDoubleClicked, window,
                   [serverEvent] { serverEvent(EventType::DoubleClick); });
  QObject::connect(w.serverList, &QTreeWidget::customContextMenuRequested, window,
                   [serverEvent] { serverEvent(EventType::RightClick); });
  // The list sorts its records itself, never its texts.
  w.serverList->setSortingEnabled(false);
  w.serverList->header()->setSectionsClickable(true);
  w.serverList->header()->setSortIndicatorShown(false);
  QObject::connect(w.serverList->header(), &QHeaderView::sectionClicked, window, [sink](int column) {
    Event event{EventKind::Widget, WindowId::Main, WidgetId::ServerList, EventType::HeaderClick, 0};
    event.column = column;
    sink(event);
  });

  RouteKeys(w.serverList, WindowId::Main, WidgetId::ServerList,
            {KeyId::Enter, KeyId::Backspace, KeyId::F5, KeyId::Delete, KeyId::F2}, sink);
  // Enter in the local list is the list's own: it opens the row as a double click does.
  RouteKeys(w.localList, WindowId::Main, WidgetId::LocalList, {KeyId::Backspace, KeyId::F5, KeyId::Delete, KeyId::F2},
            sink);
  RouteWindowEvents(window, WindowId::Main, sink);
  FitWindowFont(window, [&w] { return MainWindowFits(w); });

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(420, 210));
  }
}
