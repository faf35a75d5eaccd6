#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QRegularExpression>
#include <QTextBlock>

#include "state/StatusLog.h"
#include "tests/app_test_support.h"

namespace {

TEST(StatusLog, TrimsLineFeedsThenCarriageReturns) {
  const struct {
    const char* name;
    const char* text;
    const char* expected;
  } cases[] = {
      {"CR LF loses both", "Verbunden\r\n", "Verbunden"},
      {"LF CR loses only the CR", "Verbunden\n\r", "Verbunden\n"},
      {"several LFs then CRs", "x\r\r\n\n", "x"},
      {"inner line ends stay", "a\r\nb\n", "a\r\nb"},
      {"empty", "", ""},
      {"only line ends", "\r\n\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TrimStatusText(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected));
  }
}

TEST(StatusLog, AppendsTimeStampedLines) {
  TestWindow program;
  AppState& state = program.state;
  AppendStatusMessage(state, QStringLiteral("Verbunden\r\n"));
  AppendStatusMessage(state, QString());
  const QStringList lines = state.main.messageArea->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 2);
  const QRegularExpression stamped(QStringLiteral("^([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d   (.*)$"));
  EXPECT_EQ(stamped.match(lines[0]).captured(2), QStringLiteral("Verbunden"));
  EXPECT_TRUE(stamped.match(lines[1]).hasMatch()) << lines[1].toStdString();
  EXPECT_EQ(lines[1].size(), 11);  // the time and three blanks
}

TEST(StatusLog, MessageEndingInLineFeedKeepsItsLineFeed) {
  TestWindow program;
  AppendStatusMessage(program.state, QStringLiteral("Datei\n\r"));
  EXPECT_TRUE(program.state.main.messageArea->toPlainText().endsWith(QStringLiteral("   Datei\n")));
}

TEST(Tooltips, NineWidgetsOnOrNone) {
  TestWindow program;
  AppState& state = program.state;
  MainWindowWidgets& w = state.main;
  ApplyTooltips(state);
  // The lists' own texts, then the keys they answer to.
  EXPECT_EQ(w.serverList->toolTip(),
            QStringLiteral("die Dateien auf dem Server - ein Rechtsklick zeigt ein Menü\n(Enter: Verzeichnis öffnen, "
                           "Rücktaste: eine Ebene höher, F5: neu laden, Entf: Löschen, F2: Umbenennen)"));
  EXPECT_EQ(w.localList->toolTip(),
            QStringLiteral("die Dateien hier auf dem PC - ein Rechtsklick zeigt ein Menü\n(Enter: Verzeichnis "
                           "öffnen, Rücktaste: eine Ebene höher, F5: neu laden, Entf: Löschen, F2: Umbenennen)"));
  EXPECT_EQ(w.uploadButton->toolTip(), QStringLiteral("die links markierten Dateien hochladen"));
  EXPECT_EQ(w.downloadButton->toolTip(), QStringLiteral("die rechts markierten Dateien herunterladen"));
  EXPECT_EQ(w.settingsButton->toolTip(), QStringLiteral("Einstellungen für Tarnholm"));
  EXPECT_EQ(w.connectButton->toolTip(), QStringLiteral("mit dem Server verbinden, oder die Verbindung trennen"));
  EXPECT_EQ(w.exitButton->toolTip(), QStringLiteral("beendet das Programm"));
  EXPECT_EQ(w.progressBar->toolTip(), QStringLiteral("zeigt den Fortschritt beim Up- und Download an"));
  EXPECT_EQ(w.messageArea->toolTip(), QStringLiteral("zeigt Meldungen bzgl. der Verbindung mit dem Server an"));
  for (QWidget* none : {static_cast<QWidget*>(w.localPath), static_cast<QWidget*>(w.serverPath),
                        static_cast<QWidget*>(w.localCaption), static_cast<QWidget*>(w.keyIndicator),
                        static_cast<QWidget*>(w.overviewButton)}) {
    EXPECT_TRUE(none->toolTip().isEmpty());
  }

  state.tooltipsOff = 1;
  ApplyTooltips(state);
  for (QWidget* child : w.window->findChildren<QWidget*>()) {
    EXPECT_TRUE(child->toolTip().isEmpty()) << child->metaObject()->className();
  }

  state.tooltipsOff = 0;
  ApplyTooltips(state);
  EXPECT_FALSE(w.exitButton->toolTip().isEmpty());
}

}  // namespace
