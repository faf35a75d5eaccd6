#include "settings/PasswordForm.h"

#include <QByteArray>
#include <algorithm>

QString EncodePassword(const QString& password) {
  if (password.isEmpty()) return {};
  QByteArray bytes = password.toUtf8();
  bytes.append('\0');
  QByteArray text = bytes.toBase64();
  std::reverse(text.begin(), text.end());
  return QString::fromLatin1(text);
}

QString DecodePassword(const QString& stored) {
  // Characters outside Latin-1 become '?', which the decoder skips like any
  // other character outside the Base64 alphabet.
  QByteArray text = stored.toLatin1();
  std::reverse(text.begin(), text.end());
  const QByteArray bytes = QByteArray::fromBase64(text);
  const qsizetype zero = bytes.indexOf('\0');
  return QString::fromUtf8(zero < 0 ? bytes : bytes.first(zero));
}
