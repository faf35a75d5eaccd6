// What the windows show: every caption whole in the font its widget really
// uses, the overview text whole with its own line breaks, plain text only, the
// program's icon on every window, and the input box's two buttons.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/Overview.h"
#include "app/ShowProfile.h"
#include "state/DateFormat.h"
#include "tests/settings_window_support.h"
#include "ui/FileListColumns.h"
#include "ui/Images.h"
#include "ui/Translations.h"

namespace {

// The windows as the program shows them: with Qt's German words, which are
// wider than the English ones in the local list's header.
class GermanQtTexts : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(InstallGermanQtTranslations()) << "Qt's German translations are not installed";
    ASSERT_EQ(LocalListHeaderCaptions().value(3), QStringLiteral("Änderungsdatum"));
  }
};
const auto* const kGermanQtTexts = ::testing::AddGlobalTestEnvironment(new GermanQtTexts);

const QString kIni = QStringLiteral(
    "[Global]\nselProfile = Demo 1 FTP\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\nTooltipsOff = 0\n"
    "AppPathForTemp = 1\n\n[Demo 1 FTP]\nLocalFolder = $DIR\nHostFolder = /\nProtocol = 1\nHostURL = 127.0.0.1\n"
    "HostPort = 21\n\n[Demo 2 SFTP]\nLocalFolder = $DIR\nHostFolder = /\nProtocol = 2\nHostURL = 127.0.0.1\n"
    "HostPort = 22\n\n[Demo 3 FTPS implizit]\nProtocol = 3\n");

// The room the style gives a widget's caption, measured as the style lays it
// out; the caption fits when its advance in the widget's own font is no wider.
int CaptionRoom(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->contentsRect().width();
  const auto* button = qobject_cast<const QAbstractButton*>(widget);
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  option.rect = button->rect();
  const bool checkBox = qobject_cast<const QCheckBox*>(widget) != nullptr;
  return widget->style()
      ->subElementRect(checkBox ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, widget)
      .width();
}

QString CaptionOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  return qobject_cast<const QAbstractButton*>(widget)->text();
}

void ExpectCaptionsWhole(const QList<QWidget*>& widgets) {
  for (const QWidget* widget : widgets) {
    const QString caption = CaptionOf(widget);
    SCOPED_TRACE(caption.toStdString());
    const QFontMetrics metrics(widget->font());
    EXPECT_LE(metrics.horizontalAdvance(caption), CaptionRoom(widget)) << "font " << widget->font().toString().toStdString();
    EXPECT_LE(metrics.height(), widget->height());
  }
}

// A header caption fits when the style's label rectangle, with a sort arrow
// where the list sorts, holds it.
void ExpectHeaderWhole(const QTreeWidget* list, bool sortable) {
  const QHeaderView* header = list->header();
  for (int column = 0; column < list->columnCount(); ++column) {
    QStyleOptionHeader option;
    option.initFrom(header);
    option.text = list->headerItem()->text(column);
    option.rect = QRect(0, 0, header->sectionSize(column), header->height());
    option.sortIndicator = sortable ? QStyleOptionHeader::SortDown : QStyleOptionHeader::None;
    SCOPED_TRACE(option.text.toStdString());
    const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
    EXPECT_LE(header->fontMetrics().horizontalAdvance(option.text), label.width());
  }
}

// A cell's text shows whole when its column is as wide as the view's style
// asks for it (what sizing the column to its contents would give).
void ExpectCellWhole(QTreeWidget* list, QTreeWidgetItem* item, int column) {
  QStyleOptionViewItem option;
  option.initFrom(list);
  option.font = list->font();
  option.fontMetrics = list->fontMetrics();
  option.text = item->text(column);
  option.features = QStyleOptionViewItem::HasDisplay;
  if (!item->icon(column).isNull()) {
    option.features |= QStyleOptionViewItem::HasDecoration;
    option.icon = item->icon(column);
    option.decorationSize = list->iconSize().isValid() ? list->iconSize() : QSize(16, 16);
  }
  SCOPED_TRACE(option.text.toStdString());
  EXPECT_LE(list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list).width(),
            list->columnWidth(column));
}

// All columns beside a vertical scroll bar: the date never needs sideways scrolling.
void ExpectColumnsInView(const QTreeWidget* list) {
  const int room = list->width() - 2 * list->frameWidth() -
                   list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  EXPECT_LE(list->header()->length(), room);
}

TEST(Captions, SettingsWindowShowsEveryCaptionAndTwoProfileRows) {
  SettingsProgram program(kIni);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  const SettingsWindow& s = *program.state.settings;
  ExpectCaptionsWhole({s.cancelButton, s.okButton, s.hostUrlLabel, s.hostUserLabel, s.hostPassLabel, s.hostPortLabel,
                       s.versionLabel, s.dnLdFolderLabel, s.textLocalLabel, s.textHostLabel, s.overwrite,
                       s.tooltipsOff, s.useCipher, s.appPathForTemp, s.cipherCodeLabel, s.keyButton, s.profileLabel,
                       s.protocolLabel});
  ASSERT_EQ(s.profileList->count(), 3);
  s.window->show();
  const QRect secondRow = s.profileList->visualItemRect(s.profileList->item(1));
  EXPECT_GE(secondRow.top(), 0);
  EXPECT_LE(secondRow.bottom(), s.profileList->viewport()->height() - 1) << "the second row shows whole";
  EXPECT_GE(s.profileList->visualItemRect(s.profileList->item(2)).top(), s.profileList->viewport()->height())
      << "no cut third row";
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    const QListWidgetItem* item = s.profileList->item(row);
    EXPECT_LE(s.profileList->fontMetrics().height(), s.profileList->visualItemRect(item).height());
    EXPECT_LE(s.profileList->fontMetrics().horizontalAdvance(item->text()), s.profileList->visualItemRect(item).width());
  }
  // The window keeps its fixed layout.
  EXPECT_EQ(s.window->size(), QSize(840, 420));
  EXPECT_EQ(s.hostUrlLabel->geometry(), QRect(10, 150, 200, 20));
  EXPECT_EQ(s.appPathForTemp->geometry(), QRect(510, 280, 320, 25));
}

TEST(Captions, MainWindowListsShowADateASizeAndATypicalName) {
  SettingsProgram program(kIni);
  const MainWindowWidgets& w = program.state.main;
  ExpectCaptionsWhole({w.settingsButton, w.exitButton, w.connectButton, w.overviewButton});

  // The local list with files of typical names, as start-up set it up.
  const QString name = QString::fromUtf8(kTypicalNameSample);
  for (const QString& file : {name, QStringLiteral("Willkommen.txt")}) {
    QFile out(program.dir + file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_TRUE(out.resize(Q_INT64_C(9876543210)));  // ten digits; sparse, so it takes no room
  }
  SetLocalDirectory(program.state, program.dir);
  w.window->show();
  QTreeWidget* local = w.localList;
  ASSERT_EQ(local->columnCount(), 3);
  ExpectHeaderWhole(local, true);
  ExpectColumnsInView(local);
  for (const QString& file : {name, QStringLiteral("Willkommen.txt")}) {
    const QList<QTreeWidgetItem*> rows = local->findItems(file, Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    for (int column = 0; column < 3; ++column) ExpectCellWhole(local, rows[0], column);
  }

  // The server list with a row as its listing makes them.
  QTreeWidget* server = w.serverList;
  ASSERT_EQ(server->columnCount(), 3);
  ExpectHeaderWhole(server, true);  // it sorts on a header click too
  ExpectColumnsInView(server);
  auto* row = new QTreeWidgetItem(server, {name, QStringLiteral("9876543210"), ListDateText(MakeDateValue(2026, 12, 28, 23, 58, 0))});
  row->setIcon(0, LoadProgramImages().file);
  for (int column = 0; column < 3; ++column) ExpectCellWhole(server, row, column);
}

TEST(OverviewText, ShownWholeWithItsOwnLineBreaks) {
  SettingsProgram program(kIni);
  program.state.main.window->show();
  program.Route(EventKind::Widget, WindowId::Main, WidgetId::OverviewButton);
  ASSERT_NE(program.state.overview, nullptr);
  const OverviewWindow& overview = *program.state.overview;
  overview.window->show();
  QApplication::processEvents();

  EXPECT_EQ(overview.text->text(), OverviewText());
  EXPECT_FALSE(overview.text->wordWrap()) << "no line breaks but the text's own";
  EXPECT_EQ(overview.textArea->geometry(), QRect(20, 20, 450, 360));

  // The label is as large as the whole text; the area scrolls to each of its edges.
  const QFontMetrics metrics(overview.text->font());
  int widest = 0;
  for (const QString& line : OverviewText().split(QLatin1Char('\n'))) widest = std::max(widest, metrics.horizontalAdvance(line));
  const int tallest = 27 * metrics.lineSpacing();
  EXPECT_GE(overview.text->contentsRect().width(), widest);
  EXPECT_GE(overview.text->contentsRect().height(), tallest - metrics.leading());
  const QWidget* viewport = overview.textArea->viewport();
  EXPECT_GE(overview.textArea->verticalScrollBar()->maximum() + viewport->height(), overview.text->height());
  EXPECT_GE(overview.textArea->horizontalScrollBar()->maximum() + viewport->width(), overview.text->width());
}

TEST(PlainText, MarkupInCaptionsIsShownAsTyped) {
  SettingsProgram program(kIni);
  AppState& state = program.state;
  state.textLocal = QStringLiteral("<i>Mein</i> PC");
  ShowProfileInWindow(state);
  EXPECT_EQ(state.main.localCaption->text(), QStringLiteral("<i>Mein</i> PC"));

  // Every label of every window.
  program.OpenSettings();
  ASSERT_NE(state.settings, nullptr);
  QList<QLabel*> labels = state.main.window->findChildren<QLabel*>();
  labels += state.settings->window->findChildren<QLabel*>();
  CloseSettingsWindow(state);
  program.Route(EventKind::Widget, WindowId::Main, WidgetId::OverviewButton);
  ASSERT_NE(state.overview, nullptr);
  labels += state.overview->window->findChildren<QLabel*>();
  ASSERT_GT(labels.size(), 20);
  for (const QLabel* label : labels) {
    SCOPED_TRACE(label->text().left(40).toStdString());
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
  }
}

// The real boxes, without a responder: looked at and answered from a timer.
template <typename Look>
void WhenABoxShows(Look look) {
  QTimer::singleShot(0, [look] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr) {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->isModal()) box = top;
      }
    }
    ASSERT_NE(box, nullptr);
    look(box);
  });
}

TEST(PlainText, MessageBoxShowsNameAndLineBreaksAsTheyAre) {
  const QString text = QStringLiteral("Die Datei ''<b>fett.txt'' gibt es schon.\r\nÜberschreiben?");
  QString shown;
  Qt::TextFormat format = Qt::AutoText;
  WhenABoxShows([&](QWidget* box) {
    auto* message = qobject_cast<QMessageBox*>(box);
    ASSERT_NE(message, nullptr);
    shown = message->text();
    format = message->textFormat();
    const QList<QLabel*> labels = message->findChildren<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->textFormat(), Qt::PlainText);
    EXPECT_EQ(labels[0]->text(), text);
    message->buttons().constFirst()->click();
  });
  ShowInfo(nullptr, QStringLiteral("Frage:"), text);
  EXPECT_EQ(shown, text);
  EXPECT_EQ(format, Qt::PlainText);
}

TEST(MessageBox, TheAnswersForAllAreButtonsOfTheirOwnAndEscapeIsThePlainNo) {
  const struct {
    const char* name;
    const char* button;  // object name of the button pressed; null: Escape
    BoxAnswer answer;
  } cases[] = {
      {"Ja", "boxYes", BoxAnswer::Yes},
      {"Ja, alle", "boxYesToAll", BoxAnswer::YesToAll},
      {"Nein", "boxNo", BoxAnswer::No},
      {"Nein, keine", "boxNoToAll", BoxAnswer::NoToAll},
      {"Escape", nullptr, BoxAnswer::No},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList captions;
    WhenABoxShows([&](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      ASSERT_NE(message, nullptr);
      for (const QAbstractButton* button : message->buttons()) captions << button->text();
      if (c.button == nullptr) {
        QTest::keyClick(message, Qt::Key_Escape);
      } else {
        message->findChild<QPushButton*>(QString::fromLatin1(c.button))->click();
      }
    });
    const BoxAnswer answer = ShowMessageBox(
        nullptr, {QStringLiteral("Frage:"), QStringLiteral("''a.txt''"), BoxButtons::YesNoAll, BoxIcon::None, false});
    EXPECT_EQ(answer, c.answer);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"Ja", "Ja, alle", "Nein", "Nein, keine"}));
  }
}

TEST(InputBox, OkGivesTheTextAbbrechenAndEscapeGiveNothing) {
  const struct {
    const char* name;
    std::function<void(QDialog*)> answer;
    const char* expected;
  } cases[] = {
      {"OK", [](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("inputOk"))->click(); }, "neu.txt"},
      {"Abbrechen", [](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("inputCancel"))->click(); }, ""},
      {"Escape", [](QDialog* d) { QTest::keyClick(d->findChild<QLineEdit*>(QStringLiteral("inputField")), Qt::Key_Escape); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList captions;
    Qt::TextFormat promptFormat = Qt::AutoText;
    WhenABoxShows([&](QWidget* box) {
      auto* dialog = qobject_cast<QDialog*>(box);
      ASSERT_NE(dialog, nullptr);
      for (const QPushButton* button : dialog->findChildren<QPushButton*>()) captions << button->text();
      promptFormat = dialog->findChild<QLabel*>(QStringLiteral("inputPrompt"))->textFormat();
      dialog->findChild<QLineEdit*>(QStringLiteral("inputField"))->setText(QStringLiteral("neu.txt"));
      c.answer(dialog);
    });
    const QString answer = ShowInputBox({QStringLiteral("Datei umbenennen"), QStringLiteral("<b>Neuer</b> Dateiname:"),
                                         QStringLiteral("alt.txt")});
    EXPECT_EQ(answer, QString::fromUtf8(c.expected));
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Abbrechen"), QStringLiteral("OK")}));
    EXPECT_EQ(promptFormat, Qt::PlainText);
  }
}

TEST(Icons, EveryWindowCarriesTheProgramIcon) {
  const QImage expected = ProgramIcon().pixmap(32, 32).toImage();
  ASSERT_FALSE(expected.isNull());
  SettingsProgram program(kIni);
  AppState& state = program.state;
  std::vector<std::pair<const char*, QIcon>> icons = {{"main window", state.main.window->windowIcon()}};
  program.Route(EventKind::Widget, WindowId::Main, WidgetId::OverviewButton);
  ASSERT_NE(state.overview, nullptr);
  icons.push_back({"overview window", state.overview->window->windowIcon()});
  CloseOverviewWindow(state);
  program.OpenSettings();
  ASSERT_NE(state.settings, nullptr);
  icons.push_back({"settings window", state.settings->window->windowIcon()});
  CloseSettingsWindow(state);
  SetMessageBoxResponder(nullptr);  // the real boxes
  QIcon messageIcon;
  QIcon inputIcon;
  WhenABoxShows([&](QWidget* box) {
    messageIcon = box->windowIcon();
    qobject_cast<QMessageBox*>(box)->buttons().constFirst()->click();
  });
  ShowInfo(state.main.window, QStringLiteral("Tarnholm"), QStringLiteral("Text"));
  WhenABoxShows([&](QWidget* box) {
    inputIcon = box->windowIcon();
    qobject_cast<QDialog*>(box)->reject();
  });
  (void)ShowInputBox({QStringLiteral("Verzeichnis erstellen"), QStringLiteral("Name:"), QString()});
  icons.push_back({"message box", messageIcon});
  icons.push_back({"input box", inputIcon});
  for (const auto& [name, icon] : icons) {
    SCOPED_TRACE(name);
    EXPECT_EQ(icon.pixmap(32, 32).toImage(), expected);
  }
}

}  // namespace
