#pragma once
// Shared by the Ftp*.cpp files only: the session record that owns the
// libcurl handles, the request runner that can be cancelled from another
// thread, and the one place where libcurl's and the server's failures become
// an error class.

#include <curl/curl.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "Cancel.h"
#include "Failure.h"
#include "TlsPolicy.h"

namespace tarnholm::backend {

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MultiDeleter {
  void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct SlistDeleter {
  void operator()(curl_slist* s) const { curl_slist_free_all(s); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using MultiPtr = std::unique_ptr<CURLM, MultiDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// Why our own code ended a request, where libcurl only sees an aborting
// callback.
enum class Stop { None, Cancelled, WrongProtocol, Callback, ListingTooLarge };

struct FtpSession {
  CurlPtr curl;
  // The easy handle runs inside this multi handle, so that a cancel from
  // another thread can wake its wait (curl_multi_wakeup); the control
  // connection stays in the multi handle's cache between requests.
  MultiPtr multi;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  SlistPtr quote;      // the current request's commands before its CWD
  SlistPtr postQuote;  // the current request's commands after its CWD
  std::string base;    // scheme://host:port
  bool mlsd = false;
  bool listAll = true;   // LIST -a shows names starting with "."; off once a server refuses it
  bool tlsData = false;  // FTPS: data connections shake hands too
  TlsCheck tls;        // FTPS certificate check; OpenSSL points at it
  CancelToken* cancel = nullptr;

  // What the current request learnt beyond its CURLcode.
  Stop stop = Stop::None;
  std::string stopText;        // why, for the message
  std::string lastReply;       // the server's last final reply line
  bool greetingPending = false;  // a new connection's first line is still to come
  std::string* collectReplies = nullptr;  // receives every reply line when set
  bool unclearRefusal = false;   // a 450/550/553 reply that does not say why

  // Declared last, so that it is unregistered before the handles go.
  std::optional<WakeRegistration> wake;

  FtpSession() = default;
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;
};

// Option setter that keeps the first failure, so a chain of options is
// checked once at its end.
struct Options {
  CURL* curl;
  CURLcode rc = CURLE_OK;
  template <class T>
  Options& Set(CURLoption option, T value) {
    if (rc == CURLE_OK) rc = curl_easy_setopt(curl, option, value);
    return *this;
  }
};

// Neutral per-request options for url; each operation then sets what it needs.
[[nodiscard]] CURLcode ResetRequest(FtpSession& s, const std::string& url);

// Runs the prepared request to its end, or until the session's cancel token
// is set (the result is then CURLE_ABORTED_BY_CALLBACK with s.stop Cancelled).
[[nodiscard]] CURLcode Perform(FtpSession& s);

// The one translation of a request's outcome into our result and failure.
[[nodiscard]] bool Translate(FtpSession& s, CURLcode rc, Failure& error);

// What the refused command wanted of its path.
enum class Refused {
  File,            // an existing file (RETR, DELE, RNFR)
  Folder,          // an existing folder (CWD); a plain file there is no folder
  FolderToRemove,  // RMD: present means "not empty" as often as "not allowed"
  NewEntry,        // MKD: absent means not allowed, present means it exists
};
// For a refusal that did not say why (s.unclearRefusal, a bare "550 Failed"):
// lists the folder of absPath and tells a missing entry (NotFound) from one
// the server keeps from us (Permission). Runs only after a failure.
void ExplainRefusal(FtpSession& s, const std::string& absPath, Refused kind, Failure& error);

[[nodiscard]] bool MakeList(std::initializer_list<std::string> lines, SlistPtr& out);
[[nodiscard]] std::string Escape(FtpSession& s, const std::string& segment);
// "%2F" makes the path absolute; libcurl then changes into the directory
// with one CWD (single-CWD method).
[[nodiscard]] std::string DirectoryUrl(FtpSession& s, const std::string& absDir);
[[nodiscard]] std::string FileUrl(FtpSession& s, const std::string& absDir, const std::string& name);

}  // namespace tarnholm::backend
