#include "state/StatusLog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

#include "state/DateFormat.h"

QString TrimStatusText(const QString& text) {
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == QLatin1Char('\n')) --end;
  while (end > 0 && text[end - 1] == QLatin1Char('\r')) --end;
  return text.left(end);
}

void AppendStatusMessage(AppState& state, const QString& text) {
  QPlainTextEdit* area = state.main.messageArea;
  if (area == nullptr) return;
  const QString line = FormatDateText(QStringLiteral("%hh:%ii:%ss"), CurrentDateValue()) +
                       QStringLiteral("   ") + TrimStatusText(text);
  area->appendPlainText(line);
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
}

void AppendStatusMessages(AppState& state, const QStringList& texts) {
  QPlainTextEdit* area = state.main.messageArea;
  if (area == nullptr || texts.isEmpty()) return;
  const QString stamp = FormatDateText(QStringLiteral("%hh:%ii:%ss"), CurrentDateValue()) + QStringLiteral("   ");
  QStringList lines;
  lines.reserve(texts.size());
  for (const QString& text : texts) lines << stamp + TrimStatusText(text);
  area->appendPlainText(lines.join(QLatin1Char('\n')));
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
}

void ClearStatusMessages(AppState& state) {
  if (state.main.messageArea != nullptr) state.main.messageArea->clear();
}

void ApplyTooltips(AppState& state) {
  const bool on = state.tooltipsOff == 0;
  auto tip = [on](QWidget* widget, const char* text) {
    if (widget != nullptr) widget->setToolTip(on ? QString::fromUtf8(text) : QString());
  };
  MainWindowWidgets& w = state.main;
  // The lists' keys on a line of their own beneath the list's own text.
  tip(w.serverList,
      "die Dateien auf dem Server - ein Rechtsklick zeigt ein Menü\n"
      "(Enter: Verzeichnis öffnen, Rücktaste: eine Ebene höher, F5: neu laden, Entf: Löschen, F2: Umbenennen)");
  tip(w.localList,
      "die Dateien hier auf dem PC - ein Rechtsklick zeigt ein Menü\n"
      "(Enter: Verzeichnis öffnen, Rücktaste: eine Ebene höher, F5: neu laden, Entf: Löschen, F2: Umbenennen)");
  tip(w.uploadButton, "die links markierten Dateien hochladen");
  tip(w.downloadButton, "die rechts markierten Dateien herunterladen");
  tip(w.settingsButton, "Einstellungen für Tarnholm");
  tip(w.connectButton, "mit dem Server verbinden, oder die Verbindung trennen");
  tip(w.exitButton, "beendet das Programm");
  tip(w.progressBar, "zeigt den Fortschritt beim Up- und Download an");
  tip(w.messageArea, "zeigt Meldungen bzgl. der Verbindung mit dem Server an");
  tip(w.cancelButton, "bricht den laufenden Vorgang ab (Esc)");
}
