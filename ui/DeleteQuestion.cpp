#include "ui/DeleteQuestion.h"

QString FileDeleteQuestion(const QStringList& names) {
  QString listing;
  for (qsizetype n = 0; n < names.size(); ++n) {
    if (n < 20) {
      listing += QStringLiteral("\r\n\"") + names[n] + QLatin1Char('"');
    } else if (n == 20) {
      listing += QStringLiteral("\r\n ... \r\n(Die anderen können hier aus Platzgründen\r\nnicht dargestellt werden.)");
    }
  }
  return QStringLiteral("Es wurde(n) ") + QString::number(names.size()) +
         QStringLiteral(" Datei(en) markiert.\r\nWollen Sie die wirklich löschen?\r\n") + listing;
}

QString DirectoryDeleteQuestion(const QString& name) {
  return QStringLiteral("Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n\"") + name + QLatin1Char('"');
}
