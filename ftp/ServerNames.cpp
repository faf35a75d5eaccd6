#include "ftp/ServerNames.h"

#include <QUrl>

QString FileExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot <= 0) return QString();
  const QChar before = name[dot - 1];
  if (before == QLatin1Char('/') || before == QLatin1Char('\\')) return QString();
  const QString extension = name.mid(dot + 1);
  for (const QChar c : extension) {
    if (c == QLatin1Char(' ') || c == QLatin1Char('/') || c == QLatin1Char('\\')) return QString();
  }
  return extension;
}

bool IsEncryptedFileName(const QString& name) { return FileExtension(name) == QLatin1String("aes"); }

bool IsListableName(const QString& name) {
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  for (const QChar c : name) {
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
  }
  return true;
}

QString ParentServerFolder(const QString& folder) {
  // Search the last "/" before the trailing one and keep the text up to it.
  const qsizetype slash = folder.size() >= 2 ? folder.lastIndexOf(QLatin1Char('/'), folder.size() - 2) : -1;
  return slash < 0 ? folder : folder.left(slash + 1);
}

QString NormalizeServerFolder(const QString& folder) {
  QString normal = folder;
  while (normal.endsWith(QLatin1Char('/'))) normal.chop(1);
  if (!normal.startsWith(QLatin1Char('/'))) normal.prepend(QLatin1Char('/'));
  if (normal != QLatin1String("/")) normal.append(QLatin1Char('/'));
  return normal;
}

QString DownloadLink(const QString& prefix, const QString& folder, const QString& name) {
  return prefix + QString::fromLatin1(QUrl::toPercentEncoding(folder + name, "/"));
}
