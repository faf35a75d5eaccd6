#pragma once
// Which FTPS certificates and SSH host keys the user has trusted, per host
// and port, and the questions that decide it. The decisions live in
// "known_hosts" in the working directory, beside ftp.ini and apart from it:
// losing that file loses only these decisions. Its lines have OpenSSH's
// known-hosts form; a certificate is a line of the type "x509-sha256" whose
// key is its SHA-256 fingerprint, which ssh skips as an unknown key type.

#include <QString>
#include <QStringList>

#include "ftp/backend/TarnholmFtp.h"
#include "state/AppState.h"

inline constexpr const char* kTrustFileName = "known_hosts";

// One server identity as the backend reported it.
struct TrustIdentity {
  QString host;
  int port = 0;
  bool hostKey = false;  // SSH host key; else FTPS certificate
  QString type;          // "ssh-ed25519", ...; "x509-sha256" for certificates
  QString key;           // base64 key blob; the fingerprint for certificates
  QString fingerprint;   // as shown: "SHA256:..." or "AB:CD:..."
};

enum class TrustState { Unknown, Known, Changed };

// The host field of a line: "host" for port 22, else "[host]:port".
[[nodiscard]] QString KnownHostName(const QString& host, int port);
// OpenSSH's "SHA256:..." of a base64 key blob; empty when it is not base64.
[[nodiscard]] QString KeyFingerprint(const QString& base64Key);

// What the lines of a trust file say about id. A host with only other
// identities of id's kind is Changed; oldFingerprint then names the first.
[[nodiscard]] TrustState FindTrust(const QStringList& lines, const TrustIdentity& id, QString* oldFingerprint);
// The lines with id remembered: every other identity of its kind for the
// host dropped, comments and foreign lines kept.
[[nodiscard]] QStringList RememberTrust(const QStringList& lines, const TrustIdentity& id);

// The file's lines; none when it is missing or unreadable.
[[nodiscard]] QStringList ReadTrustFile(const QString& path);
// Replaces the file atomically; false when it could not be written.
[[nodiscard]] bool WriteTrustFile(const QString& path, const QStringList& lines);

// The program's answer to one of the backend's trust questions, on the GUI
// thread: 1 to go on with the identity (known, or trusted by the user now and
// remembered), 0 to refuse it. The engine's worker waits for it meanwhile.
[[nodiscard]] int AnswerTrustQuestion(AppState& state, const TarnholmTrustQuestion& question);
