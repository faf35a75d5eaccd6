#include "ftp/Trust.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSaveFile>
#include <algorithm>


namespace {

constexpr const char* kCertificateType = "x509-sha256";
// The trust file says whom the user trusts; only the user may change it.
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A line naming hosts, a key type and a key. Markers (@revoked, ...) and
// comments are not ours and stay untouched; the host field's place in the
// line is kept so that a change of it leaves the rest of the line as it was.
struct Line {
  qsizetype hostStart = 0;
  qsizetype hostEnd = 0;
  QByteArray hosts;
  QString type;
  QString key;
};

QByteArray NextField(const QByteArray& text, qsizetype& at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  const qsizetype start = at;
  while (at < text.size() && !IsBlank(text[at])) ++at;
  return text.mid(start, at - start);
}

bool ParseLine(const QByteArray& raw, Line& line) {
  const QByteArray text = raw.endsWith('\r') ? raw.chopped(1) : raw;
  qsizetype at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at == text.size() || text[at] == '#' || text[at] == '@') return false;
  line.hostStart = at;
  line.hosts = NextField(text, at);
  line.hostEnd = at;
  line.type = QString::fromUtf8(NextField(text, at));
  line.key = QString::fromUtf8(NextField(text, at));
  return !line.type.isEmpty() && !line.key.isEmpty();
}

// OpenSSH lower-cases host names with the C library's tolower: A to Z only.
QByteArray AsciiLower(QByteArray text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return text;
}

// OpenSSH's wildcards: "*" any run of characters, "?" any one.
bool GlobMatches(QByteArrayView text, QByteArrayView pattern) {
  qsizetype t = 0, p = 0, starP = -1, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (starP >= 0) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsHashed(const QByteArray& hosts) { return hosts.startsWith("|1|"); }

// "|1|salt|hash": the base64 HMAC-SHA1 of the host field, keyed with the salt.
bool HashedNameMatches(const QByteArray& hosts, const QByteArray& name) {
  const QList<QByteArray> parts = hosts.mid(3).split('|');
  if (parts.size() != 2) return false;
  const auto salt = QByteArray::fromBase64Encoding(parts[0], QByteArray::AbortOnBase64DecodingErrors);
  const auto hash = QByteArray::fromBase64Encoding(parts[1], QByteArray::AbortOnBase64DecodingErrors);
  if (!salt || !hash) return false;
  return QMessageAuthenticationCode::hash(name, salt.decoded, QCryptographicHash::Sha1) == hash.decoded;
}

// As OpenSSH matches a host field: a hashed name, or a list of patterns of
// which one must match and no negated one ("!pattern") may.
bool HostFieldMatches(const QByteArray& hosts, const QByteArray& name) {
  if (IsHashed(hosts)) return HashedNameMatches(hosts, name);
  bool found = false;
  for (QByteArray pattern : hosts.split(',')) {
    const bool negated = pattern.startsWith('!');
    if (negated) pattern.remove(0, 1);
    if (!GlobMatches(name, AsciiLower(pattern))) continue;
    if (negated) return false;
    found = true;
  }
  return found;
}

// An entry that names exactly this host (no pattern, no negation).
bool NamesExactly(const QByteArray& entry, const QByteArray& name) {
  return !entry.contains('*') && !entry.contains('?') && !entry.startsWith('!') && AsciiLower(entry) == name;
}

QByteArray HostName(const TrustIdentity& id) { return KnownHostName(id.host, id.port).toUtf8(); }

bool IsCertificate(const QString& type) { return type == QLatin1String(kCertificateType); }

bool SameKind(const Line& line, const TrustIdentity& id) { return IsCertificate(line.type) != id.hostKey; }

QString ShownFingerprint(const Line& line) { return IsCertificate(line.type) ? line.key : KeyFingerprint(line.key); }

QByteArray NewLine(const TrustIdentity& id) {
  return QStringLiteral("%1 %2 %3").arg(KnownHostName(id.host, id.port), id.type, id.key).toUtf8();
}

bool ExistsAt(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

// The whole file; empty for a missing one. False when it is there but could
// not be read whole.
bool ReadWhole(const QString& path, QByteArray* bytes) {
  bytes->clear();
  if (!ExistsAt(path)) return true;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  *bytes = file.readAll();
  return file.error() == QFileDevice::NoError;
}

TrustLines SplitLines(const QByteArray& bytes) {
  TrustLines lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

bool AppendLine(const QString& path, const QByteArray& before, const QByteArray& line) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append, kOwnerOnly)) return false;
  QByteArray bytes;
  if (!before.isEmpty() && !before.endsWith('\n')) bytes += '\n';
  bytes += line + '\n';
  return file.write(bytes) == bytes.size() && file.flush();
}

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
    if (c.unicode() <= 0x20 || c == QLatin1Char(',') || c == QLatin1Char('#') || c == QLatin1Char('*') ||
        c == QLatin1Char('?') || c == QLatin1Char('!') || c == QLatin1Char('|') || c.category() == QChar::Other_Control)
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
           CertificateReasonText(q.reasonCode));
}

bool Ask(AppState& state, const TarnholmTrustQuestion& q, TrustState known, const QString& oldFingerprint) {
  return ShowMessageBox(state.main.window, TrustQuestionBox(q, known, oldFingerprint)) == BoxAnswer::Yes;
}

}  // namespace

QString KnownHostName(const QString& host, int port) {
  const QString lower = QString::fromUtf8(AsciiLower(host.toUtf8()));
  return port == 22 ? lower : QStringLiteral("[%1]:%2").arg(lower).arg(port);
}

QString KeyFingerprint(const QString& base64Key) {
  const auto decoded = QByteArray::fromBase64Encoding(base64Key.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.isEmpty()) return {};
  const QByteArray hash = QCryptographicHash::hash(decoded.decoded, QCryptographicHash::Sha256);
  return QStringLiteral("SHA256:") +
         QString::fromLatin1(hash.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals));
}

TrustState FindTrust(const TrustLines& lines, const TrustIdentity& id, QString* oldFingerprint) {
  const QByteArray name = HostName(id);
  TrustState state = TrustState::Unknown;
  for (const QByteArray& raw : lines) {
    Line line;
    if (!ParseLine(raw, line) || !SameKind(line, id) || !HostFieldMatches(line.hosts, name)) continue;
    if (line.type == id.type && line.key == id.key) return TrustState::Known;
    if (state == TrustState::Unknown && oldFingerprint != nullptr) *oldFingerprint = ShownFingerprint(line);
    state = TrustState::Changed;
  }
  return state;
}

TrustLines RememberTrust(const TrustLines& lines, const TrustIdentity& id) {
  const QByteArray name = HostName(id);
  TrustLines out;
  for (const QByteArray& raw : lines) {
    Line line;
    if (!ParseLine(raw, line) || !SameKind(line, id)) {
      out << raw;
      continue;
    }
    if (IsHashed(line.hosts)) {
      // A hashed line names one host: it goes when that host is this one.
      if (!HashedNameMatches(line.hosts, name)) out << raw;
      continue;
    }
    QList<QByteArray> kept;
    for (const QByteArray& entry : line.hosts.split(',')) {
      if (!NamesExactly(entry, name)) kept << entry;
    }
    if (kept.size() == line.hosts.count(',') + 1) {
      out << raw;
    } else if (!kept.isEmpty()) {
      // A line naming several hosts keeps the others, and the rest of the line as it was.
      out << raw.left(line.hostStart) + kept.join(',') + raw.mid(line.hostEnd);
    }
  }
  out << NewLine(id);
  return out;
}

QString TrustedHostKeyTypes(const TrustLines& lines, const QString& host, int port) {
  const QByteArray name = KnownHostName(host, port).toUtf8();
  QStringList types;
  for (const QByteArray& raw : lines) {
    Line line;
    if (!ParseLine(raw, line) || IsCertificate(line.type) || !HostFieldMatches(line.hosts, name)) continue;
    if (!types.contains(line.type)) types << line.type;
  }
  return types.join(QLatin1Char(' '));
}

QString TrustFilePath() { return QDir::current().filePath(QString::fromLatin1(kTrustFileName)); }

QString HostKeyPreference(const QString& host, int port) {
  TrustLines lines;
  if (!ReadTrustFile(TrustFilePath(), &lines)) return {};
  return TrustedHostKeyTypes(lines, host, port);
}

bool ReadTrustFile(const QString& path, TrustLines* lines) {
  QByteArray bytes;
  const bool whole = ReadWhole(path, &bytes);
  *lines = whole ? SplitLines(bytes) : TrustLines();
  return whole;
}

bool WriteTrustFile(const QString& path, const TrustLines& lines) {
  const bool isNew = !ExistsAt(path);
  QSaveFile file(path);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (isNew && !file.setPermissions(kOwnerOnly)) {
    file.cancelWriting();
    return false;
  }
  QByteArray bytes;
  for (const QByteArray& line : lines) bytes += line + '\n';
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

bool StoreTrust(const QString& path, const TrustIdentity& id) {
  QByteArray bytes;
  if (!ReadWhole(path, &bytes)) return false;
  const TrustLines lines = SplitLines(bytes);
  const TrustLines remembered = RememberTrust(lines, id);
  // Nothing to drop: the new line goes at the end and nothing else is touched.
  if (remembered.size() == lines.size() + 1 && std::equal(lines.begin(), lines.end(), remembered.begin())) {
    return AppendLine(path, bytes, remembered.last());
  }
  return WriteTrustFile(path, remembered);
}

QString CertificateReasonText(int64_t reasonCode) {
  switch (reasonCode) {
    case 1: return QStringLiteral("Das Zertifikat ist selbst signiert.");
    case 2: return QStringLiteral("Der Aussteller des Zertifikats ist unbekannt.");
    case 3: return QStringLiteral("Das Zertifikat ist abgelaufen.");
    case 4: return QStringLiteral("Das Zertifikat ist noch nicht gültig.");
    case 5: return QStringLiteral("Das Zertifikat ist für einen anderen Servernamen ausgestellt.");
    default: return QStringLiteral("Das Zertifikat konnte nicht geprüft werden.");
  }
}

MessageBoxRequest TrustQuestionBox(const TarnholmTrustQuestion& q, TrustState known, const QString& oldFingerprint) {
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
  return request;
}

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

  const QString path = TrustFilePath();
  // A file that cannot be read asks as for a server not known yet.
  TrustLines lines;
  (void)ReadTrustFile(path, &lines);
  QString oldFingerprint;
  const TrustState known = FindTrust(lines, id, &oldFingerprint);
  if (known == TrustState::Known) return 1;
  if (!Ask(state, q, known, oldFingerprint)) return 0;
  // A file that cannot be read or written costs only the memory of this
  // answer; it is never written from less than all its lines.
  (void)StoreTrust(path, id);
  return 1;
}
