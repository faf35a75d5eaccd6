// Runs one libcurl request of an FTP session and tells what its failure
// means. The request runs in the session's multi handle so that CancelFTPEx
// on another thread can wake it from any wait: DNS, connect, a reply, a
// stalled data connection.

#include <sys/select.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "FtpInternal.h"
#include "ListingCollector.h"
#include "ServerPath.h"

namespace tarnholm::backend {
namespace {

constexpr std::size_t kMaxReplyText = 512;
// A folder listed only to look for one name need not be read beyond this.
constexpr curl_off_t kMaxProbeBytes = curl_off_t{64} << 20;

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "220 text", "220-text" or a bare "220".
bool LooksLikeReply(std::string_view line) {
  return line.size() >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
         (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text.substr(0, 80)) out += (c >= ' ' && c < 0x7F) ? c : '?';
  return out;
}

// Every line the server sends on the control connection, multi-line replies
// and the greeting included, passes here.
size_t OnReplyLine(char* data, size_t size, size_t count, void* user) {
  auto& s = *static_cast<FtpSession*>(user);
  const std::string_view line = TrimLineEnd(std::string_view(data, size * count));
  if (s.greetingPending) {
    s.greetingPending = false;
    if (!LooksLikeReply(line)) {
      // An SSH server ("SSH-2.0-...") or anything else that is no FTP
      // server: waiting for a reply it will never send helps nobody.
      s.stop = Stop::WrongProtocol;
      s.stopText = "the server does not speak FTP; it greets with \"" + Printable(line) + "\"";
      return 0;
    }
  }
  if (LooksLikeReply(line) && (line.size() == 3 || line[3] == ' ')) {
    s.lastReply.assign(line.substr(0, kMaxReplyText));
  }
  if (s.collectReplies != nullptr) s.collectReplies->append(data, size * count);
  return size * count;
}

// A new socket means a new connection whose first line is still to come (a
// data connection's socket does no harm: the next control line is a reply).
int OnSocket(void* user, curl_socket_t, curlsocktype) {
  static_cast<FtpSession*>(user)->greetingPending = true;
  return CURL_SOCKOPT_OK;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool Mentions(const std::string& lowerText, std::initializer_list<const char*> words) {
  return std::any_of(words.begin(), words.end(),
                     [&](const char* w) { return lowerText.find(w) != std::string::npos; });
}

// What a refusing reply says. 450/550/553 name no reason by their number,
// so their text is read; unclear is set when it says nothing telling.
ErrorClass ClassOfReply(long code, const std::string& text, bool& unclear) {
  switch (code) {
    case 421: case 425: case 426: return ErrorClass::ConnectionLost;
    case 452: case 552: return ErrorClass::DiskFull;
    case 530: case 532: return ErrorClass::LoginRefused;
    case 450: case 550: case 553: {
      const std::string lower = Lower(text.size() > 4 ? std::string_view(text).substr(4) : std::string_view());
      if (Mentions(lower, {"no such", "not found", "not exist", "doesn't exist", "cannot find", "can't find"})) {
        return ErrorClass::NotFound;
      }
      if (Mentions(lower, {"quota", "disk full", "no space", "not enough space"})) return ErrorClass::DiskFull;
      if (Mentions(lower, {"permission", "denied", "not allowed", "not permitted", "read-only", "access"})) {
        return ErrorClass::Permission;
      }
      unclear = true;
      return ErrorClass::Other;
    }
    default: return ErrorClass::Other;
  }
}

ErrorClass ClassOf(CURLcode rc, long reply, const std::string& replyText, bool& unclear) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ErrorClass::HostUnknown;
    case CURLE_COULDNT_CONNECT: return ErrorClass::Refused;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT: return ErrorClass::Timeout;
    case CURLE_LOGIN_DENIED: return ErrorClass::LoginRefused;
    // A reply that is no FTP reply, a server without TLS where TLS is
    // required, or a TLS handshake with something that does not speak TLS.
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR: return ErrorClass::WrongProtocol;
    case CURLE_PEER_FAILED_VERIFICATION: return ErrorClass::TrustRefused;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING: return reply >= 400 ? ClassOfReply(reply, replyText, unclear) : ErrorClass::ConnectionLost;
    case CURLE_PARTIAL_FILE: return reply >= 400 ? ClassOfReply(reply, replyText, unclear) : ErrorClass::ConnectionLost;
    case CURLE_ABORTED_BY_CALLBACK: return ErrorClass::Cancelled;  // the progress callback said stop
    case CURLE_REMOTE_DISK_FULL: return ErrorClass::DiskFull;
    case CURLE_REMOTE_FILE_NOT_FOUND: {
      const ErrorClass c = ClassOfReply(reply, replyText, unclear);
      return c == ErrorClass::Other && !unclear ? ErrorClass::NotFound : c;
    }
    default: return reply >= 400 ? ClassOfReply(reply, replyText, unclear) : ErrorClass::Other;
  }
}

enum class Probe { Present, Absent, Unknown };

struct ProbeScan {
  std::string name;
  std::string partial;
  bool found = false;
};

size_t ScanNames(char* data, size_t size, size_t count, void* user) {
  auto& scan = *static_cast<ProbeScan*>(user);
  std::string_view bytes(data, size * count);
  while (!bytes.empty() && !scan.found) {
    const auto nl = bytes.find('\n');
    if (scan.partial.size() < kMaxListingLine) scan.partial.append(bytes.substr(0, nl));
    if (nl == std::string_view::npos) break;
    bytes.remove_prefix(nl + 1);
    std::string_view line = TrimLineEnd(scan.partial);
    // Some servers answer NLST with paths; the last component is the name.
    if (const auto slash = line.rfind('/'); slash != std::string_view::npos) line.remove_prefix(slash + 1);
    scan.found = line == scan.name;
    scan.partial.clear();
  }
  return size * count;
}

Probe ProbeEntry(FtpSession& s, const std::string& dir, const std::string& name) {
  ProbeScan scan{name, {}, false};
  Options o{s.curl.get(), ResetRequest(s, DirectoryUrl(s, dir))};
  o.Set(CURLOPT_DIRLISTONLY, 1L)
      .Set(CURLOPT_WRITEFUNCTION, &ScanNames)
      .Set(CURLOPT_WRITEDATA, &scan)
      .Set(CURLOPT_MAXFILESIZE_LARGE, kMaxProbeBytes);
  if (o.rc != CURLE_OK) return Probe::Unknown;
  const CURLcode rc = Perform(s);
  if (scan.found) return Probe::Present;
  // A folder that cannot be listed is taken for missing: that is what a
  // refused change into it mostly means.
  return rc == CURLE_OK || rc == CURLE_REMOTE_ACCESS_DENIED ? Probe::Absent : Probe::Unknown;
}

bool IsPlainFile(FtpSession& s, const std::string& dir, const std::string& name) {
  Options o{s.curl.get(), ResetRequest(s, FileUrl(s, dir, name))};
  o.Set(CURLOPT_NOBODY, 1L);
  return o.rc == CURLE_OK && Perform(s) == CURLE_OK;
}

// How long one wait for the sockets may last. libcurl 7.88 misses wake-ups
// in two places: after an EPSV reply it may need another run without
// watching a socket or setting a timer, and during the TLS handshake of an
// FTPS data connection it watches only that connection, while the server
// answers on the control connection first and shakes hands only then.
// Either would idle until a timer passes (200 ms, or a whole second), so
// such waits are kept short; a cancel request wakes the longer ones.
int WaitLimitMs(FtpSession& s) {
  constexpr int kShortMs = 5;
  if (s.tlsData) return kShortMs;
  fd_set read, write, error;
  FD_ZERO(&read);
  FD_ZERO(&write);
  FD_ZERO(&error);
  int maxFd = -1;
  if (curl_multi_fdset(s.multi.get(), &read, &write, &error, &maxFd) != CURLM_OK) return kShortMs;
  return maxFd < 0 ? kShortMs : 1000;
}

CURLcode DoneResult(CURLM* multi) {
  int left = 0;
  CURLcode result = CURLE_OK;
  while (CURLMsg* m = curl_multi_info_read(multi, &left)) {
    if (m->msg == CURLMSG_DONE) result = m->data.result;
  }
  return result;
}

}  // namespace

CURLcode ResetRequest(FtpSession& s, const std::string& url) {
  s.errorBuffer[0] = 0;
  s.stop = Stop::None;
  s.stopText.clear();
  s.lastReply.clear();
  s.unclearRefusal = false;
  Options o{s.curl.get()};
  o.Set(CURLOPT_URL, url.c_str())
      .Set(CURLOPT_NOBODY, 0L)
      .Set(CURLOPT_UPLOAD, 0L)
      .Set(CURLOPT_APPEND, 0L)
      .Set(CURLOPT_DIRLISTONLY, 0L)
      .Set(CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(0))
      .Set(CURLOPT_IGNORE_CONTENT_LENGTH, 0L)
      .Set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(0))
      .Set(CURLOPT_TIMEOUT_MS, 0L)
      .Set(CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr))
      .Set(CURLOPT_QUOTE, static_cast<curl_slist*>(nullptr))
      .Set(CURLOPT_POSTQUOTE, static_cast<curl_slist*>(nullptr))
      .Set(CURLOPT_WRITEFUNCTION, &DiscardBody)
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(nullptr))
      .Set(CURLOPT_READFUNCTION, static_cast<curl_read_callback>(nullptr))
      .Set(CURLOPT_READDATA, static_cast<void*>(nullptr))
      .Set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1))
      .Set(CURLOPT_HEADERFUNCTION, &OnReplyLine)
      .Set(CURLOPT_HEADERDATA, static_cast<void*>(&s))
      .Set(CURLOPT_SOCKOPTFUNCTION, &OnSocket)
      .Set(CURLOPT_SOCKOPTDATA, static_cast<void*>(&s))
      .Set(CURLOPT_NOPROGRESS, 1L)
      .Set(CURLOPT_XFERINFOFUNCTION, static_cast<curl_xferinfo_callback>(nullptr));
  s.quote.reset();
  s.postQuote.reset();
  return o.rc;
}

CURLcode Perform(FtpSession& s) {
  if (CancelRequested(s.cancel)) {
    s.stop = Stop::Cancelled;
    return CURLE_ABORTED_BY_CALLBACK;
  }
  CURLM* multi = s.multi.get();
  if (curl_multi_add_handle(multi, s.curl.get()) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_OK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_OUT_OF_MEMORY;
      break;
    }
    if (running == 0) {
      result = DoneResult(multi);
      break;
    }
    if (CancelRequested(s.cancel)) {
      // Taking the handle out ends the transfer; libcurl closes the control
      // connection and opens a fresh one for the next request.
      s.stop = Stop::Cancelled;
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    if (curl_multi_poll(multi, nullptr, 0, WaitLimitMs(s), nullptr) != CURLM_OK) {
      result = CURLE_OUT_OF_MEMORY;
      break;
    }
  }
  (void)curl_multi_remove_handle(multi, s.curl.get());
  return result;
}

bool Translate(FtpSession& s, CURLcode rc, Failure& error) {
  s.unclearRefusal = false;
  if (rc == CURLE_OK) return true;
  switch (s.stop) {
    case Stop::Cancelled: return Fail(error, ErrorClass::Cancelled, "cancelled");
    case Stop::WrongProtocol: return Fail(error, ErrorClass::WrongProtocol, s.stopText);
    case Stop::Callback: return Fail(error, ErrorClass::Callback, s.stopText);
    case Stop::ListingTooLarge: return Fail(error, ErrorClass::ListingTooLarge, s.stopText);
    case Stop::None: break;
  }
  if (!s.tls.refusal.empty()) {
    Fail(error, ErrorClass::TrustRefused, s.tls.refusal);
    s.tls.refusal.clear();
    return false;
  }
  std::string text = curl_easy_strerror(rc);
  if (s.errorBuffer[0] != 0) {
    text += ": ";
    text += s.errorBuffer;
  }
  long reply = 0;
  if (curl_easy_getinfo(s.curl.get(), CURLINFO_RESPONSE_CODE, &reply) != CURLE_OK) reply = 0;
  if (!s.lastReply.empty()) {
    text += " (server: " + Printable(s.lastReply) + ")";
  } else if (reply != 0) {
    text += " (server reply " + std::to_string(reply) + ")";
  }
  bool unclear = false;
  const ErrorClass cls = ClassOf(rc, reply, s.lastReply, unclear);
  s.unclearRefusal = unclear;
  return Fail(error, cls, text);
}

void ExplainRefusal(FtpSession& s, const std::string& absPath, Refused kind, Failure& error) {
  if (!s.unclearRefusal || error.cls != ErrorClass::Other) return;
  s.unclearRefusal = false;
  std::string path = absPath, dir, name;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!SplitEntry(path, dir, name)) return;
  const Probe probe = ProbeEntry(s, dir, name);
  if (probe == Probe::Unknown) return;
  const bool present = probe == Probe::Present;
  switch (kind) {
    case Refused::File: error.cls = present ? ErrorClass::Permission : ErrorClass::NotFound; break;
    case Refused::Folder:
      error.cls = present && !IsPlainFile(s, dir, name) ? ErrorClass::Permission : ErrorClass::NotFound;
      break;
    case Refused::FolderToRemove:
      if (!present) error.cls = ErrorClass::NotFound;
      break;
    case Refused::NewEntry:
      if (!present) error.cls = ErrorClass::Permission;
      break;
  }
}

bool MakeList(std::initializer_list<std::string> lines, SlistPtr& out) {
  out.reset();
  for (const auto& line : lines) {
    curl_slist* next = curl_slist_append(out.get(), line.c_str());
    if (next == nullptr) return false;
    (void)out.release();
    out.reset(next);
  }
  return true;
}

std::string Escape(FtpSession& s, const std::string& segment) {
  char* escaped = curl_easy_escape(s.curl.get(), segment.data(), static_cast<int>(segment.size()));
  if (escaped == nullptr) return {};
  std::string result(escaped);
  curl_free(escaped);
  return result;
}

std::string DirectoryUrl(FtpSession& s, const std::string& absDir) {
  std::string url = s.base + "/%2F";
  std::size_t pos = 0;
  while (pos < absDir.size()) {
    const auto slash = absDir.find('/', pos);
    const auto end = slash == std::string::npos ? absDir.size() : slash;
    if (end > pos) url += Escape(s, absDir.substr(pos, end - pos)) + "/";
    pos = end + 1;
  }
  return url;
}

std::string FileUrl(FtpSession& s, const std::string& absDir, const std::string& name) {
  return DirectoryUrl(s, absDir) + Escape(s, name);
}

}  // namespace tarnholm::backend
