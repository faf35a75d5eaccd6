#pragma once
// The question the library puts to its caller about a server identity it
// could not verify by itself. The library keeps no trust decisions of its
// own: remembering them is the caller's business.

#include <cstdint>
#include <functional>
#include <string>

namespace tarnholm::backend {

enum class TrustKind : int64_t { Certificate = 1, HostKey = 2 };

// Why a certificate did not verify; the values of TarnholmTrustQuestion's reasonCode.
enum class CertificateReason : int64_t {
  None = 0,  // verified, or a host key
  SelfSigned = 1,
  UnknownIssuer = 2,
  Expired = 3,
  NotYetValid = 4,
  NameMismatch = 5,
  Other = 6,
};

struct TrustQuestion {
  std::string host;
  int port = 0;
  TrustKind kind = TrustKind::Certificate;
  std::string fingerprint;  // certificate: "AB:CD:..." (SHA-256 of DER); host key: "SHA256:..."
  std::string publicKey;    // host key: "ssh-ed25519 AAAA..." as in known_hosts; else empty
  std::string subject;      // certificate only, RFC 2253 form
  std::string issuer;
  std::string validFrom;    // "YYYY-MM-DD HH:MM:SS UTC"
  std::string validUntil;
  std::string reason;       // why the certificate did not verify; empty for host keys
  CertificateReason reasonCode = CertificateReason::None;
};

// True when the identity may be used. An empty TrustFn trusts nothing the
// library could not verify: unverified certificates and every host key fail.
using TrustFn = std::function<bool(const TrustQuestion&)>;

}  // namespace tarnholm::backend
