#include "ftp/ErrorReasons.h"

#include <cerrno>

#include "ftp/FtpFunctions.h"

namespace {

QString ProtocolName(int protocol) {
  switch (protocol) {
    case 2: return QStringLiteral("SFTP");
    case 3: return QStringLiteral("FTPS");
    default: return QStringLiteral("FTP");
  }
}

}  // namespace

QString ReasonForErrorClass(int64_t errorClass, int protocol) {
  switch (errorClass) {
    case kFtpErrorLoginRefused: return QStringLiteral("Der Server hat Benutzername oder Passwort abgelehnt.");
    case kFtpErrorHostUnknown: return QStringLiteral("Der Servername ist unbekannt.");
    case kFtpErrorRefused:
      return QStringLiteral("Der Server ist nicht erreichbar oder nimmt auf diesem Port keine Verbindung an.");
    case kFtpErrorTimeout: return QStringLiteral("Der Server hat nicht rechtzeitig geantwortet.");
    case kFtpErrorWrongProtocol:
      return QStringLiteral("Auf diesem Port antwortet kein %1-Server.").arg(ProtocolName(protocol));
    case kFtpErrorTrustRefused:
      return protocol == 2 ? QStringLiteral("Der Schlüssel des Servers wurde nicht angenommen.")
                           : QStringLiteral("Das Zertifikat des Servers wurde nicht angenommen.");
    case kFtpErrorNotFound: return QStringLiteral("Die Datei oder das Verzeichnis gibt es auf dem Server nicht.");
    case kFtpErrorPermission: return QStringLiteral("Der Server verweigert den Zugriff (keine Berechtigung).");
    case kFtpErrorDiskFull: return QStringLiteral("Auf dem Server ist kein Platz mehr frei.");
    case kFtpErrorConnectionLost: return QStringLiteral("Die Verbindung zum Server ist abgebrochen.");
    case kFtpErrorListingTooLarge:
      return QStringLiteral("Das Verzeichnis ist zu groß (mehr als 1.000.000 Einträge oder 256 MiB).");
    case kFtpErrorCallback: return QStringLiteral("Die Datei auf diesem PC konnte nicht gelesen oder geschrieben werden.");
    case kFtpErrorReplaceRefused:
      return QStringLiteral("Der Server hat das Ersetzen der vorhandenen Datei verweigert; sie ist unverändert.");
    case kFtpErrorOther: return QStringLiteral("Der Server hat einen Fehler gemeldet.");
    default: return QString();  // none, unknown, cancelled
  }
}

QString ReasonForLocalError(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("Auf dem Datenträger dieses PCs ist kein Platz mehr frei.");
    case EACCES:
    case EPERM:
    case EROFS: return QStringLiteral("Auf diesem PC fehlt die Berechtigung dafür.");
    case ENOENT: return QStringLiteral("Die Datei oder das Verzeichnis gibt es auf diesem PC nicht.");
    case EISDIR: return QStringLiteral("Dort liegt ein Verzeichnis dieses Namens.");
    case 0: return QString();
    default: return QStringLiteral("Die Datei auf diesem PC konnte nicht gelesen oder geschrieben werden.");
  }
}

QString WithReason(const QString& text, const QString& reason) {
  return reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
}
