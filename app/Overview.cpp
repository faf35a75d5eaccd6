#include "app/Overview.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

#include "ui/OverviewWindowWidgets.h"

QString OverviewText() {
  static const QStringList kLines = {
      QStringLiteral("Dieses Programm kann beides, Dateien verschlüsselt (dazu unten mehr) wie"),
      QStringLiteral("unverschlüsselt mit einem Internet-Server austauschen. Es lässt sich leicht"),
      QStringLiteral("konfigurieren und anwenden. Eine Installation ist nicht erforderlich. Deshalb läuft es"),
      QStringLiteral("z.B. auch von einem USB-Stick. Sind Verbindungen zu verschiedenen Servern (die Profile)"),
      QStringLiteral("eingerichtet, können sie per Mausklick gewechselt werden. Zu jeder hochgeladenen Datei"),
      QStringLiteral("kann ein Downloadlink in die Zwischenablage kopiert werden. Damit ist man immer sicher,"),
      QStringLiteral("dass der Download funktioniert, wenn man den Link dazu per e-Mail verschickt."),
      QString(),
      QStringLiteral("Wenn gewünscht, werden die Dateien mit AES-256 (Advanced Encryption Standard)"),
      QStringLiteral("verschlüsselt. Sie sind dann außerhalb des Rechners niemals ungeschützt. AES ist ein"),
      QStringLiteral("symmetrisches Verschlüsselungsverfahren, d.h. die Schlüssel zum Ver- und Entschlüsseln"),
      QStringLiteral("sind identisch. Der Algorithmus wurde 1998 entwickelt, ist frei verfügbar und gilt"),
      QStringLiteral("immer noch als sicher. Das stimmt natürlich nur, wenn der verwendete Schlüssel lang"),
      QStringLiteral("genug ist und nicht allein per Software erzeugt wurden."),
      QString(),
      QStringLiteral("Moderne Betriebssysteme wie Windows, OSX und Linux bieten die Erzeugung von"),
      QStringLiteral("kryptographisch harten Schlüsseln für die AES-256-Verschlüsselung an. Weil vielleicht"),
      QStringLiteral("einige Firmen in den USA den Behörden im Rahmen des 'Patriot Act' Hintertüren einbauen"),
      QStringLiteral("mussten, die nicht nur der Terrorismusbekämpfung dienen, sondern z.B. auch zur Wirtschafts-"),
      QStringLiteral("spionage genutzt werden können, geschieht die Schlüsselerzeugung hier wie folgt:"),
      QString(),
      QStringLiteral("Bei Aufruf der entsprechenden Funktion wird eine Liste erzeugt, die 65536 zufällige"),
      QStringLiteral("8-Bit-Werte enthält. Dann öffnet sich ein Fenster, bei dem jeder Punkt auf der Oberfläche"),
      QStringLiteral("einer Listenposition zugeordnet ist. Durch die Mausbewegung über das Fenster wählt der"),
      QStringLiteral("Anwender einige Zufallswerte aus der Liste aus. Diese ergeben nacheinander,"),
      QStringLiteral("zusammengesetzt den Schlüssel. Wenn 48 Werte ausgewählt wurden, ist der Schlüssel"),
      QStringLiteral("komplett, und das Programm gibt eine entsprechende Meldung aus."),
  };
  return kLines.join(QLatin1Char('\n'));
}

void OpenOverviewWindow(AppState& state, const EventSink& sink) {
  if (state.settings != nullptr || state.overview != nullptr) return;
  state.overview = CreateOverviewWindow(state.main.window, sink);
  state.overview->text->setText(OverviewText());
  state.overview->window->show();
  state.overview->window->activateWindow();
}

void CloseOverviewWindow(AppState& state) {
  DestroyOverviewWindow(state.overview);
  state.overview = nullptr;
}
