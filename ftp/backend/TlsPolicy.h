#pragma once
// How FTPS connections treat TLS: the one place that decides the protocol
// versions and how the server's certificate is checked.

#include <curl/curl.h>

#include <string>

#include "TrustQuestion.h"

namespace tarnholm::backend {

// What the certificate check of one FTPS session needs and learns. Must stay
// at one address while the handle lives (OpenSSL holds a pointer to it).
struct TlsCheck {
  std::string host;  // as the user typed it; IPv6 without brackets
  int port = 0;
  TrustFn trust;
  std::string accepted;  // fingerprint the caller accepted in this session
  std::string refusal;   // why the last refused handshake was refused
};

// The reason class of an OpenSSL verification error (X509_V_ERR_*).
[[nodiscard]] CertificateReason ReasonOfVerifyError(int x509Error);

// Sets the TLS options of an FTPS handle; the first failing option's code.
// A certificate that verifies against the system's authorities (plus the
// PEM file named by TARNHOLM_EXTRA_CA_FILE) for check.host passes silently;
// any other one goes to check.trust before a byte of the login is sent.
[[nodiscard]] CURLcode ApplyTlsPolicy(CURL* curl, TlsCheck* check);

}  // namespace tarnholm::backend
