#pragma once
// Which FTPS certificates and SSH host keys the user has trusted, per host
// and port, and the questions that decide it. The decisions live in
// "known_hosts" in the working directory, beside ftp.ini and apart from it:
// losing that file loses only these decisions. Its lines have OpenSSH's
// known-hosts form and are matched as OpenSSH matches them (host names
// ignoring case, patterns, negations, hashed names); a certificate is a line
// of the type "x509-sha256" whose key is its SHA-256 fingerprint, which ssh
// skips as an unknown key type.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

#include "ftp/backend/TarnholmFtp.h"
#include "state/AppState.h"
#include "ui/MessageBox.h"

inline constexpr const char* kTrustFileName = "known_hosts";

// The file's lines as read, without their "\n". Kept as bytes, so that a line
// this program does not change is written back exactly as it was.
using TrustLines = QList<QByteArray>;

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

// The host field of a new line, as OpenSSH writes it: the host name in lower
// case, bare for port 22, else "[host]:port".
[[nodiscard]] QString KnownHostName(const QString& host, int port);
// OpenSSH's "SHA256:..." of a base64 key blob; empty when it is not base64.
[[nodiscard]] QString KeyFingerprint(const QString& base64Key);

// What the lines say about id. A host with only other identities of id's
// kind is Changed; oldFingerprint then names the first.
[[nodiscard]] TrustState FindTrust(const TrustLines& lines, const TrustIdentity& id, QString* oldFingerprint);
// The lines with id remembered at the end: the host's other identities of
// its kind dropped where a line names the host itself (a pattern line is left
// alone), every other line kept byte for byte.
[[nodiscard]] TrustLines RememberTrust(const TrustLines& lines, const TrustIdentity& id);

// The key types ("ssh-ed25519 ssh-rsa") of the SSH host keys the lines trust
// for host and port, blank-separated, in file order without repeats; empty
// when there are none. The SSH key exchange offers these first, so a server
// with several host keys shows the one remembered.
[[nodiscard]] QString TrustedHostKeyTypes(const TrustLines& lines, const QString& host, int port);

// The trust file in the working directory.
[[nodiscard]] QString TrustFilePath();
// TrustedHostKeyTypes for the working directory's trust file.
[[nodiscard]] QString HostKeyPreference(const QString& host, int port);

// Reads the whole file. A missing file has no lines; false only when the
// file is there but could not be read whole.
[[nodiscard]] bool ReadTrustFile(const QString& path, TrustLines* lines);
// Replaces the file with the lines (through a temporary file; in place where
// the folder allows no new file). A new file is owner-only, an existing one
// keeps its mode. False when it could not be written.
[[nodiscard]] bool WriteTrustFile(const QString& path, const TrustLines& lines);
// Remembers id in the file as it is now (read again, so lines another copy
// added meanwhile stay): appended when no line names its host for its kind,
// otherwise through RememberTrust and WriteTrustFile. False, with the file
// left as it was, when it could not be read whole or not be written.
[[nodiscard]] bool StoreTrust(const QString& path, const TrustIdentity& id);

// The German reason for a certificate that did not verify, from the
// backend's reason code (1 self-signed, 2 unknown issuer, 3 expired, 4 not yet
// valid, 5 issued for another name; anything else: not verifiable).
[[nodiscard]] QString CertificateReasonText(int64_t reasonCode);

// The box that asks the user about q: a question for a server not known yet,
// a warning for one whose certificate or key has changed since
// (oldFingerprint: the one remembered). Server texts are shown as plain text.
[[nodiscard]] MessageBoxRequest TrustQuestionBox(const TarnholmTrustQuestion& q, TrustState known,
                                                 const QString& oldFingerprint);

// The program's answer to one of the backend's trust questions, on the GUI
// thread: 1 to go on with the identity (known, or trusted by the user now and
// remembered), 0 to refuse it. The engine's worker waits for it meanwhile.
[[nodiscard]] int AnswerTrustQuestion(AppState& state, const TarnholmTrustQuestion& question);
