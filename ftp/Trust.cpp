#include "ftp/Trust.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "ui/MessageBox.h"

namespace {

constexpr const char* kCertificateType = "x509-sha256";

struct Line {
  QStringList hosts;
  QString type;
  QString key;
};

// A line naming hosts, a key type and a key; markers (@revoked, ...),
// hashed host names and comments are not ours and stay untouched.
bool ParseLine(const QString& text, Line& line) {
  const QStringList fields = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (fields.size() < 3 || fields[0].startsWith(QLatin1Char('#')) || fields[0].startsWith(QLatin1Char('@')) ||
      fields[0].startsWith(QLatin1Char('|')))
    return false;
  line.hosts = fields[0].split(QLatin1Char(','));
  line.type = fields[1];
  line.key = fields[2];
  return true;
}

bool IsCertificate(const QString& type) { return type == QLatin1String(kCertificateType); }

bool SameKind(const Line& line, const TrustIdentity& id) { return IsCertificate(line.type) != id.hostKey; }

QString ShownFingerprint(const Line& line) { return IsCertificate(line.type) ? line.key : KeyFingerprint(line.key); }

// Server-supplied text for a box: control characters would rearrange it.
QString Shown(const char16_t* text) {
  QString s = QString::fromUtf16(text != nullptr ? text : u"");
  for (QChar& c : s) {
    if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) c = QLatin1Char('?');
  }
  return s;
}

// Host names that could break a line of the file (or are not names at all).
bool UsableHost(const QString& host) {
  if (host.isEmpty()) return false;
  for (const QChar c : host) {
    if (c.unicode() <= 0x20 || c == QLatin1Char(',') || c == QLatin1Char('#') || c.category() == QChar::Other_Control)
      return false;
  }
  return true;
}

QString Describe(const TarnholmTrustQuestion& q, const QString& place) {
  if (q.kind == 2) {
    return QStringLiteral("Server: %1\r\nSchlüsseltyp: %2\r\nFingerabdruck: %3")
        .arg(place, Shown(q.publicKey).section(QLatin1Char(' '), 0, 0), Shown(q.fingerprint));
  }
  return QStringLiteral("Server: %1\r\nInhaber: %2\r\nAussteller: %3\r\nGültig von %4 bis %5\r\n"
                        "SHA-256-Fingerabdruck: %6\r\nGrund: %7")
      .arg(place, Shown(q.subject), Shown(q.issuer), Shown(q.validFrom), Shown(q.validUntil), Shown(q.fingerprint),
           Shown(q.reason));
}

bool Ask(AppState& state, const TarnholmTrustQuestion& q, TrustState known, const QString& oldFingerprint) {
  const QString place = QStringLiteral("%1:%2").arg(Shown(q.host)).arg(q.port);
  const QString what = q.kind == 2 ? QStringLiteral("Schlüssel") : QStringLiteral("Zertifikat");
  MessageBoxRequest request;
  request.buttons = BoxButtons::YesNo;
  if (known == TrustState::Changed) {
    request.title = QStringLiteral("Achtung:");
    request.icon = BoxIcon::Warning;
    request.defaultNo = true;
    request.text = QStringLiteral("Der Server zeigt einen anderen %1 als beim letzten Mal!\r\n"
                                  "Jemand könnte die Verbindung abhören und Ihr Passwort lesen.\r\n\r\n"
                                  "Bisheriger Fingerabdruck: %2\r\nNeuer Fingerabdruck: %3\r\n\r\n%4\r\n\r\n"
                                  "Nur wenn Sie sicher wissen, dass der Server einen neuen %1 hat: "
                                  "Den neuen %1 übernehmen und verbinden?")
                       .arg(what, oldFingerprint, Shown(q.fingerprint), Describe(q, place));
  } else {
    request.title = QStringLiteral("Frage:");
    request.icon = BoxIcon::Question;
    request.text = QStringLiteral("Die Identität des Servers konnte nicht bestätigt werden.\r\n\r\n%1\r\n\r\n"
                                  "Dem %2 vertrauen und verbinden?")
                       .arg(Describe(q, place), what);
  }
  return ShowMessageBox(state.main.window, request) == BoxAnswer::Yes;
}

}  // namespace

int AnswerTrustQuestion(AppState& state, const TarnholmTrustQuestion& q) {
  TrustIdentity id;
  id.host = QString::fromUtf16(q.host);
  id.port = static_cast<int>(q.port);
  id.hostKey = q.kind == 2;
  id.fingerprint = QString::fromUtf16(q.fingerprint);
  if (id.hostKey) {
    const QStringList parts = QString::fromUtf16(q.publicKey).split(QLatin1Char(' '));
    if (parts.size() != 2) return 0;
    id.type = parts[0];
    id.key = parts[1];
  } else {
    id.type = QString::fromLatin1(kCertificateType);
    id.key = id.fingerprint;
  }
  if ((q.kind != 1 && q.kind != 2) || !UsableHost(id.host) || id.key.isEmpty() || id.key.contains(QLatin1Char(' ')))
    return 0;

  const QString path = QDir::current().filePath(QString::fromLatin1(kTrustFileName));
  const QStringList lines = ReadTrustFile(path);
  QString oldFingerprint;
  const TrustState known = FindTrust(lines, id, &oldFingerprint);
  if (known == TrustState::Known) return 1;
  if (!Ask(state, q, known, oldFingerprint)) return 0;
  // A file that cannot be written costs only the memory of this answer.
  (void)WriteTrustFile(path, RememberTrust(lines, id));
  return 1;
}


QString KnownHostName(const QString& host, int port) {
  return port == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
}

QString KeyFingerprint(const QString& base64Key) {
  const auto decoded = QByteArray::fromBase64Encoding(base64Key.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.isEmpty()) return {};
  const QByteArray hash = QCryptographicHash::hash(decoded.decoded, QCryptographicHash::Sha256);
  return QStringLiteral("SHA256:") +
         QString::fromLatin1(hash.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals));
}

TrustState FindTrust(const QStringList& lines, const TrustIdentity& id, QString* oldFingerprint) {
  const QString name = KnownHostName(id.host, id.port);
  TrustState state = TrustState::Unknown;
  for (const QString& text : lines) {
    Line line;
    if (!ParseLine(text, line) || !line.hosts.contains(name) || !SameKind(line, id)) continue;
    if (line.type == id.type && line.key == id.key) return TrustState::Known;
    if (state == TrustState::Unknown && oldFingerprint != nullptr) *oldFingerprint = ShownFingerprint(line);
    state = TrustState::Changed;
  }
  return state;
}

QStringList RememberTrust(const QStringList& lines, const TrustIdentity& id) {
  const QString name = KnownHostName(id.host, id.port);
  QStringList out;
  for (const QString& text : lines) {
    Line line;
    if (ParseLine(text, line) && line.hosts.contains(name) && SameKind(line, id)) {
      // A line naming several hosts keeps the others.
      line.hosts.removeAll(name);
      if (line.hosts.isEmpty()) continue;
      QStringList fields = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
      fields[0] = line.hosts.join(QLatin1Char(','));
      out << fields.join(QLatin1Char(' '));
      continue;
    }
    out << text;
  }
  out << QStringLiteral("%1 %2 %3").arg(name, id.type, id.key);
  return out;
}

QStringList ReadTrustFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  // A trust file is a few lines; a huge one is not ours to load.
  const QByteArray bytes = file.read(4 * 1024 * 1024);
  QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
  for (QString& line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  }
  while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

bool WriteTrustFile(const QString& path, const QStringList& lines) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
  return file.write(bytes) == bytes.size() && file.commit();
}
