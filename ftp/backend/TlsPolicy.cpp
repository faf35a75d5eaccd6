#include "TlsPolicy.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace tarnholm::backend {
namespace {

struct BioDeleter {
  void operator()(BIO* b) const { BIO_free(b); }
};

bool IsIpLiteral(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

std::string Fingerprint(X509* cert) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (X509_digest(cert, EVP_sha256(), md, &length) != 1) return {};
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    if (i > 0) text += ':';
    text += kHex[md[i] >> 4];
    text += kHex[md[i] & 0xF];
  }
  return text;
}

std::string NameText(const X509_NAME* name) {
  std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
  // RFC 2253 order, but UTF-8 kept as it is instead of escaped byte by byte.
  if (!bio || name == nullptr ||
      X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
    return {};
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

std::string TimeText(const ASN1_TIME* time) {
  std::tm tm{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &tm) != 1) return "?";
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

// Replaces OpenSSL's chain check for one handshake: runs it, and when it
// fails asks the caller about the server's own certificate. Returning 0
// aborts the handshake, so the login is never sent to an untrusted server.
int VerifyChain(X509_STORE_CTX* store, void* arg) {
  auto* check = static_cast<TlsCheck*>(arg);
  try {
    if (X509_verify_cert(store) == 1) return 1;
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    if (leaf == nullptr) {
      check->refusal = "the server sent no certificate";
      return 0;
    }
    TrustQuestion q;
    q.host = check->host;
    q.port = check->port;
    q.kind = TrustKind::Certificate;
    q.fingerprint = Fingerprint(leaf);
    q.subject = NameText(X509_get_subject_name(leaf));
    q.issuer = NameText(X509_get_issuer_name(leaf));
    q.validFrom = TimeText(X509_get0_notBefore(leaf));
    q.validUntil = TimeText(X509_get0_notAfter(leaf));
    const int verifyError = X509_STORE_CTX_get_error(store);
    q.reason = X509_verify_cert_error_string(verifyError);
    q.reasonCode = ReasonOfVerifyError(verifyError);
    if (q.fingerprint.empty()) {
      check->refusal = "cannot compute the certificate fingerprint";
      return 0;
    }
    // Data connections may present the certificate again; one answer per session.
    if (q.fingerprint == check->accepted) return 1;
    if (!check->trust) {
      check->refusal = "server certificate not verified: " + q.reason;
      return 0;
    }
    if (!check->trust(q)) {
      check->refusal = "server certificate refused: " + q.reason;
      return 0;
    }
    check->accepted = q.fingerprint;
    return 1;
  } catch (...) {
    // Nothing may unwind through OpenSSL's C frames.
    check->refusal = "internal error while checking the server certificate";
    return 0;
  }
}

CURLcode PrepareContext(CURL*, void* sslContext, void* user) {
  auto* ctx = static_cast<SSL_CTX*>(sslContext);
  auto* check = static_cast<TlsCheck*>(user);
  // libcurl's own checks are off (see ApplyTlsPolicy); this load gives our
  // check the system's authorities whatever libcurl loaded.
  if (SSL_CTX_set_default_verify_paths(ctx) != 1) return CURLE_SSL_CACERT_BADFILE;
  const char* extra = std::getenv("TARNHOLM_EXTRA_CA_FILE");
  if (extra != nullptr && *extra != 0 && SSL_CTX_load_verify_locations(ctx, extra, nullptr) != 1) {
    return CURLE_SSL_CACERT_BADFILE;
  }
  X509_VERIFY_PARAM* param = SSL_CTX_get0_param(ctx);
  const int named = IsIpLiteral(check->host) ? X509_VERIFY_PARAM_set1_ip_asc(param, check->host.c_str())
                                             : X509_VERIFY_PARAM_set1_host(param, check->host.c_str(), 0);
  if (named != 1) return CURLE_SSL_CONNECT_ERROR;
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_cert_verify_callback(ctx, &VerifyChain, check);
  return CURLE_OK;
}

}  // namespace

CertificateReason ReasonOfVerifyError(int x509Error) {
  switch (x509Error) {
    case X509_V_OK: return CertificateReason::None;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN: return CertificateReason::SelfSigned;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return CertificateReason::UnknownIssuer;
    case X509_V_ERR_CERT_HAS_EXPIRED: return CertificateReason::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID: return CertificateReason::NotYetValid;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return CertificateReason::NameMismatch;
    default: return CertificateReason::Other;
  }
}

CURLcode ApplyTlsPolicy(CURL* curl, TlsCheck* check) {
  // TLS 1.3 uploads to some servers lose their tail (the data connection is
  // closed before the server has read it all); TLS 1.2 keeps them whole.
  CURLcode rc = curl_easy_setopt(curl, CURLOPT_SSLVERSION,
                                 static_cast<long>(CURL_SSLVERSION_DEFAULT) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
  // The whole check, host name included, runs in VerifyChain: libcurl would
  // fail a certificate it cannot verify before we could ask about it.
  if (rc == CURLE_OK) rc = curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  if (rc == CURLE_OK) rc = curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  if (rc == CURLE_OK) rc = curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &PrepareContext);
  if (rc == CURLE_OK) rc = curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, static_cast<void*>(check));
  return rc;
}

}  // namespace tarnholm::backend
