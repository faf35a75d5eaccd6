#include "FtpSession.h"


#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <random>

#include "ListParser.h"
#include "LocalTemp.h"
#include "ServerPath.h"
#include "TlsPolicy.h"

namespace tarnholm::backend {
namespace {

constexpr long kConnectTimeoutSeconds = 15;
constexpr long kDefaultStallSeconds = 30;    // a reply wait or a transfer below 1 byte/s
constexpr long kDownloadBufferBytes = 512 * 1024;
constexpr long kUploadBufferBytes = 2 * 1024 * 1024;
constexpr std::size_t kMaxListingBytes = 256u * 1024 * 1024;

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
  void operator()(curl_slist* s) const { curl_slist_free_all(s); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// A file descriptor closed on every path out.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  [[nodiscard]] bool Close() {
    const int f = fd;
    fd = -1;
    return ::close(f) == 0;
  }
};

}  // namespace

// The one owner of a connection's libcurl resources.
struct FtpSession {
  CurlPtr curl;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  SlistPtr quote;      // the current request's commands before its CWD
  SlistPtr postQuote;  // the current request's commands after its CWD
  std::string base;    // scheme://host:port
  bool mlsd = false;
  TlsCheck tls;        // FTPS certificate check; OpenSSL points at it

  FtpSession() = default;
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;
};

namespace {

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

// The one translation of a CURLcode into our result and message.
bool Translate(FtpSession& s, CURLcode rc, std::string& error) {
  if (rc == CURLE_OK) return true;
  if (!s.tls.refusal.empty()) {
    error = s.tls.refusal;
    s.tls.refusal.clear();
    return false;
  }
  error = curl_easy_strerror(rc);
  if (s.errorBuffer[0] != 0) {
    error += ": ";
    error += s.errorBuffer;
  }
  long reply = 0;
  if (curl_easy_getinfo(s.curl.get(), CURLINFO_RESPONSE_CODE, &reply) == CURLE_OK && reply != 0) {
    error += " (server reply " + std::to_string(reply) + ")";
  }
  return false;
}

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

size_t AppendToString(char* data, size_t size, size_t count, void* user) {
  auto* text = static_cast<std::string*>(user);
  if (text->size() + size * count > kMaxListingBytes) return 0;
  text->append(data, size * count);
  return size * count;
}

// Neutral per-request options; each operation then sets what it needs.
CURLcode ResetRequest(FtpSession& s, const std::string& url) {
  s.errorBuffer[0] = 0;
  Options o{s.curl.get()};
  o.Set(CURLOPT_URL, url.c_str())
      .Set(CURLOPT_NOBODY, 0L)
      .Set(CURLOPT_UPLOAD, 0L)
      .Set(CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr))
      .Set(CURLOPT_QUOTE, static_cast<curl_slist*>(nullptr))
      .Set(CURLOPT_POSTQUOTE, static_cast<curl_slist*>(nullptr))
      .Set(CURLOPT_WRITEFUNCTION, &DiscardBody)
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(nullptr))
      .Set(CURLOPT_READFUNCTION, static_cast<curl_read_callback>(nullptr))
      .Set(CURLOPT_READDATA, static_cast<void*>(nullptr))
      .Set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1))
      .Set(CURLOPT_HEADERFUNCTION, static_cast<curl_write_callback>(nullptr))
      .Set(CURLOPT_HEADERDATA, static_cast<void*>(nullptr))
      .Set(CURLOPT_NOPROGRESS, 1L)
      .Set(CURLOPT_XFERINFOFUNCTION, static_cast<curl_xferinfo_callback>(nullptr));
  s.quote.reset();
  s.postQuote.reset();
  return o.rc;
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

// "%2F" makes the path absolute; libcurl then changes into the directory
// with one CWD (single-CWD method).
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

bool EntryUrl(FtpSession& s, const std::string& absPath, std::string& url, std::string& name,
              std::string& error) {
  std::string dir;
  if (!SplitEntry(absPath, dir, name)) {
    error = "no file name in the path";
    return false;
  }
  url = DirectoryUrl(s, dir);
  return true;
}

// Runs FTP commands in the directory dirUrl names. They go after the CWD
// (post-quote): a refused command then keeps the control connection.
bool RunCommands(FtpSession& s, const std::string& dirUrl, std::initializer_list<std::string> commands,
                 std::string& error) {
  for (const auto& c : commands) {
    if (IsUnsafeForCommand(c)) {
      error = "line break in a server name";
      return false;
    }
  }
  CURLcode rc = ResetRequest(s, dirUrl);
  if (rc == CURLE_OK && !MakeList(commands, s.postQuote)) rc = CURLE_OUT_OF_MEMORY;
  Options o{s.curl.get(), rc};
  o.Set(CURLOPT_NOBODY, 1L).Set(CURLOPT_POSTQUOTE, s.postQuote.get());
  if (o.rc != CURLE_OK) return Translate(s, o.rc, error);
  return Translate(s, curl_easy_perform(s.curl.get()), error);
}

struct Progress {
  const ProgressFn* fn;
  bool upload;
};

int OnProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
  const auto* p = static_cast<const Progress*>(user);
  const curl_off_t total = p->upload ? ulTotal : dlTotal;
  const curl_off_t now = p->upload ? ulNow : dlNow;
  return (*p->fn)(now, total > 0 ? total : -1) ? 0 : 1;
}

CURLcode SetProgress(FtpSession& s, Progress& p) {
  if (!*p.fn) return CURLE_OK;
  Options o{s.curl.get()};
  o.Set(CURLOPT_NOPROGRESS, 0L).Set(CURLOPT_XFERINFOFUNCTION, &OnProgress).Set(CURLOPT_XFERINFODATA, &p);
  return o.rc;
}

size_t WriteToFd(char* data, size_t size, size_t count, void* user) {
  const int fd = *static_cast<int*>(user);
  size_t left = size * count;
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;  // libcurl ends the transfer with a write error
    data += n;
    left -= static_cast<size_t>(n);
  }
  return size * count;
}

size_t ReadFromFd(char* buffer, size_t size, size_t count, void* user) {
  const int fd = *static_cast<int*>(user);
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size * count);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
  }
}

size_t CollectReply(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

bool HasFeature(const std::string& featReply, const char* feature) {
  // Feature lines of the FEAT reply begin with one blank.
  const std::string needle = std::string("\n ") + feature;
  std::size_t pos = 0;
  while ((pos = featReply.find(needle, pos)) != std::string::npos) {
    const std::size_t after = pos + needle.size();
    if (after >= featReply.size() || featReply[after] == ' ' || featReply[after] == '\r' ||
        featReply[after] == '\n')
      return true;
    pos = after;
  }
  return false;
}

std::string SystemError(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Tests shorten the bound; nonsense falls back to the default.
long StallSeconds() {
  const char* text = std::getenv("TARNHOLM_STALL_SECONDS");
  if (text == nullptr) return kDefaultStallSeconds;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == 0 && value >= 1 && value <= 3600 ? value : kDefaultStallSeconds;
}

bool ValidHost(const std::string& host) {
  if (host.empty()) return false;
  for (const unsigned char c : host) {
    if (c <= ' ' || c == 0x7F || std::strchr("/@?#\\", c) != nullptr) return false;
  }
  return true;
}

}  // namespace

FtpSession* FtpOpen(const FtpLogin& login, std::string& loginDir, std::string& error) {
  static std::once_flag curlInit;
  std::call_once(curlInit, [] { (void)curl_global_init(CURL_GLOBAL_DEFAULT); });

  if (!ValidHost(login.host) || login.port < 1 || login.port > 65535) {
    error = "invalid host or port";
    return nullptr;
  }
  if (IsUnsafeForCommand(login.user) || IsUnsafeForCommand(login.password)) {
    error = "line break in user name or password";
    return nullptr;
  }
  auto s = std::make_unique<FtpSession>();
  s->curl.reset(curl_easy_init());
  if (!s->curl) {
    error = "cannot create a libcurl handle";
    return nullptr;
  }
  const bool literalV6 = login.host.find(':') != std::string::npos && login.host.front() != '[';
  const std::string host = literalV6 ? "[" + login.host + "]" : login.host;
  s->base = std::string(login.security == FtpSecurity::Implicit ? "ftps://" : "ftp://") + host + ":" +
            std::to_string(login.port);

  Options o{s->curl.get()};
  o.Set(CURLOPT_ERRORBUFFER, s->errorBuffer)
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_USERNAME, login.user.c_str())
      .Set(CURLOPT_PASSWORD, login.password.c_str())
      .Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds)
      .Set(CURLOPT_SERVER_RESPONSE_TIMEOUT, StallSeconds())
      .Set(CURLOPT_LOW_SPEED_LIMIT, 1L)
      .Set(CURLOPT_LOW_SPEED_TIME, StallSeconds())
      .Set(CURLOPT_TCP_KEEPALIVE, 1L)
      .Set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD))
      .Set(CURLOPT_FTP_USE_EPSV, 1L)  // passive mode (EPSV, falling back to PASV)
      .Set(CURLOPT_BUFFERSIZE, kDownloadBufferBytes)
      .Set(CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
  if (login.security != FtpSecurity::None) {
    o.Set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL))
        .Set(CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    s->tls.host = literalV6 || login.host.front() != '[' ? login.host : login.host.substr(1, login.host.size() - 2);
    s->tls.port = login.port;
    s->tls.trust = login.trust;
    if (o.rc == CURLE_OK) o.rc = ApplyTlsPolicy(s->curl.get(), &s->tls);
  }
  if (o.rc != CURLE_OK) {
    (void)Translate(*s, o.rc, error);
    return nullptr;
  }

  // Log in without changing directory; FEAT tells whether MLSD exists, and
  // UTF-8 names are asked for (a server that refuses keeps its default).
  std::string featReply;
  CURLcode rc = ResetRequest(*s, s->base + "/");
  if (rc == CURLE_OK && !MakeList({"*FEAT", "*OPTS UTF8 ON"}, s->quote)) rc = CURLE_OUT_OF_MEMORY;
  Options q{s->curl.get(), rc};
  q.Set(CURLOPT_NOBODY, 1L)
      .Set(CURLOPT_QUOTE, s->quote.get())
      .Set(CURLOPT_HEADERFUNCTION, &CollectReply)
      .Set(CURLOPT_HEADERDATA, &featReply);
  rc = q.rc == CURLE_OK ? curl_easy_perform(s->curl.get()) : q.rc;
  if (!Translate(*s, rc, error)) return nullptr;
  s->mlsd = HasFeature(featReply, "MLST");

  const char* entry = nullptr;
  loginDir = "/";
  if (curl_easy_getinfo(s->curl.get(), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry != nullptr &&
      entry[0] == '/') {
    loginDir = entry;
    if (loginDir.back() != '/') loginDir += '/';
  }
  if (ResetRequest(*s, s->base + "/") != CURLE_OK) {
    error = "cannot reset the request options";
    return nullptr;
  }
  return s.release();
}

void FtpClose(FtpSession* session) { delete session; }

bool FtpCheck(FtpSession* s, std::string& error) {
  CURLcode rc = ResetRequest(*s, s->base + "/");
  if (rc == CURLE_OK && !MakeList({"NOOP"}, s->quote)) rc = CURLE_OUT_OF_MEMORY;
  Options o{s->curl.get(), rc};
  o.Set(CURLOPT_NOBODY, 1L).Set(CURLOPT_QUOTE, s->quote.get());
  if (o.rc != CURLE_OK) return Translate(*s, o.rc, error);
  return Translate(*s, curl_easy_perform(s->curl.get()), error);
}

bool FtpIsDirectory(FtpSession* s, const std::string& absDir, std::string& error) {
  // A body-less request on the directory URL is just the CWD into it.
  Options o{s->curl.get(), ResetRequest(*s, DirectoryUrl(*s, absDir))};
  o.Set(CURLOPT_NOBODY, 1L);
  if (o.rc != CURLE_OK) return Translate(*s, o.rc, error);
  return Translate(*s, curl_easy_perform(s->curl.get()), error);
}

bool FtpList(FtpSession* s, const std::string& absDir, std::vector<DirEntry>& out, std::string& error) {
  std::string text;
  Options o{s->curl.get(), ResetRequest(*s, DirectoryUrl(*s, absDir))};
  o.Set(CURLOPT_WRITEFUNCTION, &AppendToString).Set(CURLOPT_WRITEDATA, &text);
  if (s->mlsd) o.Set(CURLOPT_CUSTOMREQUEST, "MLSD");
  if (o.rc != CURLE_OK) return Translate(*s, o.rc, error);
  if (!Translate(*s, curl_easy_perform(s->curl.get()), error)) return false;
  out = ParseListing(text, s->mlsd ? ListingFormat::Mlsd : ListingFormat::List,
                     static_cast<int64_t>(std::time(nullptr)));
  return true;
}

bool FtpMakeDirectory(FtpSession* s, const std::string& absPath, std::string& error) {
  std::string url, name;
  return EntryUrl(*s, absPath, url, name, error) && RunCommands(*s, url, {"MKD " + name}, error);
}

bool FtpRemoveDirectory(FtpSession* s, const std::string& absPath, std::string& error) {
  std::string url, name;
  return EntryUrl(*s, absPath, url, name, error) && RunCommands(*s, url, {"RMD " + name}, error);
}

bool FtpRemoveFile(FtpSession* s, const std::string& absPath, std::string& error) {
  std::string url, name;
  return EntryUrl(*s, absPath, url, name, error) && RunCommands(*s, url, {"DELE " + name}, error);
}

bool FtpRename(FtpSession* s, const std::string& from, const std::string& to, std::string& error) {
  std::string url, name;
  return EntryUrl(*s, from, url, name, error) && RunCommands(*s, url, {"RNFR " + name, "RNTO " + to}, error);
}

bool FtpDownload(FtpSession* s, const std::string& remote, const std::string& localPath,
                 const ProgressFn& progress, std::string& error) {
  std::string url, name;
  if (!EntryUrl(*s, remote, url, name, error)) return false;
  url += Escape(*s, name);
  std::string tempPath;
  Fd file(CreateTempBeside(localPath, tempPath));
  if (file.fd < 0) {
    error = SystemError("cannot create", tempPath);
    return false;
  }
  Progress p{&progress, false};
  Options o{s->curl.get(), ResetRequest(*s, url)};
  o.Set(CURLOPT_WRITEFUNCTION, &WriteToFd).Set(CURLOPT_WRITEDATA, &file.fd);
  if (o.rc == CURLE_OK) o.rc = SetProgress(*s, p);
  bool ok = Translate(*s, o.rc == CURLE_OK ? curl_easy_perform(s->curl.get()) : o.rc, error);
  if (!file.Close() && ok) {
    error = SystemError("cannot write", tempPath);
    ok = false;
  }
  if (ok && ::rename(tempPath.c_str(), localPath.c_str()) != 0) {
    error = SystemError("cannot replace", localPath);
    ok = false;
  }
  if (!ok) ::unlink(tempPath.c_str());
  return ok;
}

bool FtpUpload(FtpSession* s, const std::string& localPath, const std::string& remote, const ProgressFn& progress,
               std::string& error) {
  std::string url, name;
  if (!EntryUrl(*s, remote, url, name, error)) return false;
  url += Escape(*s, name);
  Fd file(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
    error = SystemError("cannot open", localPath);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "not a regular file: " + localPath;
    return false;
  }
  Progress p{&progress, true};
  Options o{s->curl.get(), ResetRequest(*s, url)};
  o.Set(CURLOPT_UPLOAD, 1L)
      .Set(CURLOPT_READFUNCTION, &ReadFromFd)
      .Set(CURLOPT_READDATA, &file.fd)
      .Set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(st.st_size));
  if (o.rc == CURLE_OK) o.rc = SetProgress(*s, p);
  return Translate(*s, o.rc == CURLE_OK ? curl_easy_perform(s->curl.get()) : o.rc, error);
}

}  // namespace tarnholm::backend
