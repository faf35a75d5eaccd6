#include "FtpSession.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <mutex>

#include "FtpInternal.h"
#include "ListingCollector.h"
#include "ServerPath.h"
#include "Timeouts.h"

namespace tarnholm::backend {
namespace {

// Measured on loopback against vsftpd: larger buffers gain nothing more.
constexpr long kDownloadBufferBytes = 512 * 1024;
constexpr long kUploadBufferBytes = 2 * 1024 * 1024;
constexpr long kQuitSeconds = 2;

// Runs FTP commands in the directory dirUrl names. They go after the CWD
// (post-quote): a refused command then keeps the control connection.
bool RunCommands(FtpSession& s, const std::string& dirUrl, std::initializer_list<std::string> commands,
                 Failure& error, CURLcode& rc) {
  for (const auto& c : commands) {
    if (IsUnsafeForCommand(c)) return Fail(error, ErrorClass::Other, "line break in a server name");
  }
  rc = ResetRequest(s, dirUrl);
  if (rc == CURLE_OK && !MakeList(commands, s.postQuote)) rc = CURLE_OUT_OF_MEMORY;
  Options o{s.curl.get(), rc};
  o.Set(CURLOPT_NOBODY, 1L).Set(CURLOPT_POSTQUOTE, s.postQuote.get());
  rc = o.rc == CURLE_OK ? Perform(s) : o.rc;
  return Translate(s, rc, error);
}

// One command on an entry; a refusal is explained by what the entry is.
bool EntryCommand(FtpSession& s, const std::string& absPath, std::initializer_list<std::string> commands,
                  Refused kind, Failure& error) {
  std::string dir, name;
  if (!SplitEntry(absPath, dir, name)) return Fail(error, ErrorClass::Other, "no file name in the path");
  CURLcode rc = CURLE_OK;
  if (RunCommands(s, DirectoryUrl(s, dir), commands, error, rc)) return true;
  if (rc == CURLE_REMOTE_ACCESS_DENIED) {
    ExplainRefusal(s, dir, Refused::Folder, error);  // the folder itself
  } else {
    ExplainRefusal(s, absPath, kind, error);
  }
  return false;
}

struct Progress {
  const ProgressFn* fn;
  FtpSession* session;
  bool upload;
  int64_t offset;
  int64_t total;  // sends: known in advance (-1 unknown); receives: from the server
};

int OnProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t ulNow) {
  auto* p = static_cast<Progress*>(user);
  if (CancelRequested(p->session->cancel)) {
    p->session->stop = Stop::Cancelled;
    return 1;
  }
  const int64_t total = p->upload ? p->total : dlTotal > 0 ? p->offset + dlTotal : -1;
  return (*p->fn)(p->offset + (p->upload ? ulNow : dlNow), total) ? 0 : 1;
}

CURLcode SetProgress(FtpSession& s, Progress& p) {
  if (!*p.fn) return CURLE_OK;
  Options o{s.curl.get()};
  o.Set(CURLOPT_NOPROGRESS, 0L).Set(CURLOPT_XFERINFOFUNCTION, &OnProgress).Set(CURLOPT_XFERINFODATA, &p);
  return o.rc;
}

struct Pull {
  const ReadFn* read;
  FtpSession* session;
  int64_t size;  // -1: unknown
  int64_t sent = 0;
};

size_t PullBytes(char* buffer, size_t size, size_t count, void* user) {
  auto& p = *static_cast<Pull*>(user);
  FtpSession& s = *p.session;
  if (CancelRequested(s.cancel)) {
    s.stop = Stop::Cancelled;
    return CURL_READFUNC_ABORT;
  }
  int64_t capacity = static_cast<int64_t>(size * count);
  if (p.size >= 0) capacity = std::min(capacity, p.size - p.sent);
  if (capacity == 0) return 0;
  const int64_t n = (*p.read)(buffer, capacity);
  if (n < 0 || n > capacity || (n == 0 && p.size >= 0)) {
    s.stop = Stop::Callback;
    s.stopText = n < 0    ? "the read callback refused"
                 : n == 0 ? "the read callback ended after " + std::to_string(p.sent) + " of " +
                                std::to_string(p.size) + " bytes"
                          : "the read callback gave more bytes than asked for";
    return CURL_READFUNC_ABORT;
  }
  p.sent += n;
  return static_cast<size_t>(n);
}

struct Push {
  const WriteFn* write;
  FtpSession* session;
};

size_t PushBytes(char* data, size_t size, size_t count, void* user) {
  auto& p = *static_cast<Push*>(user);
  const size_t n = size * count;
  if ((*p.write)(data, static_cast<int64_t>(n))) return n;
  p.session->stop = Stop::Callback;
  p.session->stopText = "the write callback refused";
  return 0;
}

struct ListingSink {
  FtpSession* session;
  ListingReader* reader;
};

void StopForSize(FtpSession& s, const ListingReader& r) {
  const ListingLimits& limits = r.collector.limits;
  s.stop = Stop::ListingTooLarge;
  s.stopText = r.textBytes > limits.maxText ? "the listing is longer than " + std::to_string(limits.maxText >> 20) +
                                                  " MiB"
               : r.collector.entries->size() >= limits.maxEntries
                   ? "the folder holds more than " + std::to_string(limits.maxEntries) + " entries"
                   : "the folder's entries need more than " + std::to_string(limits.maxBytes >> 20) + " MiB";
}

size_t FeedSink(char* data, size_t size, size_t count, void* user) {
  auto& sink = *static_cast<ListingSink*>(user);
  if (FeedListing(*sink.reader, std::string_view(data, size * count))) return size * count;
  StopForSize(*sink.session, *sink.reader);
  return 0;
}

bool ValidHost(const std::string& host) {
  if (host.empty()) return false;
  for (const unsigned char c : host) {
    if (c <= ' ' || c == 0x7F || std::strchr("/@?#\\", c) != nullptr) return false;
  }
  return true;
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

}  // namespace

FtpSession* FtpOpen(const FtpLogin& login, std::string& loginDir, Failure& error) {
  static std::once_flag curlInit;
  std::call_once(curlInit, [] { (void)curl_global_init(CURL_GLOBAL_DEFAULT); });

  if (!ValidHost(login.host) || login.port < 1 || login.port > 65535) {
    Fail(error, ErrorClass::Other, "invalid host or port");
    return nullptr;
  }
  if (IsUnsafeForCommand(login.user) || IsUnsafeForCommand(login.password)) {
    Fail(error, ErrorClass::Other, "line break in user name or password");
    return nullptr;
  }
  auto s = std::make_unique<FtpSession>();
  s->curl.reset(curl_easy_init());
  s->multi.reset(curl_multi_init());
  if (!s->curl || !s->multi) {
    Fail(error, ErrorClass::Other, "cannot create libcurl handles");
    return nullptr;
  }
  s->cancel = login.cancel;
  s->wake.emplace(login.cancel, [multi = s->multi.get()] { (void)curl_multi_wakeup(multi); });
  const bool literalV6 = login.host.find(':') != std::string::npos && login.host.front() != '[';
  const std::string host = literalV6 ? "[" + login.host + "]" : login.host;
  s->base = std::string(login.security == FtpSecurity::Implicit ? "ftps://" : "ftp://") + host + ":" +
            std::to_string(login.port);

  Options o{s->curl.get()};
  o.Set(CURLOPT_ERRORBUFFER, s->errorBuffer)
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_USERNAME, login.user.c_str())
      .Set(CURLOPT_PASSWORD, login.password.c_str())
      .Set(CURLOPT_CONNECTTIMEOUT, static_cast<long>(kConnectSeconds))
      .Set(CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(StallSeconds()))
      .Set(CURLOPT_LOW_SPEED_LIMIT, 1L)  // below 1 byte/s for the stall bound: stalled
      .Set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(StallSeconds()))
      .Set(CURLOPT_TCP_KEEPALIVE, 1L)
      .Set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD))
      .Set(CURLOPT_FTP_USE_EPSV, 1L)  // passive mode (EPSV, falling back to PASV)
      .Set(CURLOPT_BUFFERSIZE, kDownloadBufferBytes)
      .Set(CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
#if LIBCURL_VERSION_NUM >= 0x075700
  // A cancel during name resolution leaves the resolver thread behind
  // instead of waiting for its answer.
  o.Set(CURLOPT_QUICK_EXIT, 1L);
#endif
  if (login.security != FtpSecurity::None) {
    s->tlsData = true;
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
  q.Set(CURLOPT_NOBODY, 1L).Set(CURLOPT_QUOTE, s->quote.get());
  s->collectReplies = &featReply;
  rc = q.rc == CURLE_OK ? Perform(*s) : q.rc;
  s->collectReplies = nullptr;
  if (!Translate(*s, rc, error)) return nullptr;
  s->mlsd = HasFeature(featReply, "MLST");

  const char* entry = nullptr;
  loginDir = "/";
  if (curl_easy_getinfo(s->curl.get(), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry != nullptr &&
      entry[0] == '/') {
    loginDir = entry;
    if (loginDir.back() != '/') loginDir += '/';
  }
  return s.release();
}

void FtpClose(FtpSession* session) {
  if (session == nullptr) return;
  // Closing sends QUIT and waits for its answer; a server that does not
  // give one must not hold the caller for the whole stall bound. libcurl
  // closes the cached connection with its own handle, which takes its
  // timeouts from the handle added last: so the short bound goes in once.
  if (curl_easy_setopt(session->curl.get(), CURLOPT_SERVER_RESPONSE_TIMEOUT, kQuitSeconds) == CURLE_OK &&
      curl_multi_add_handle(session->multi.get(), session->curl.get()) == CURLM_OK) {
    (void)curl_multi_remove_handle(session->multi.get(), session->curl.get());
  }
  delete session;
}

bool FtpCheck(FtpSession* s, Failure& error) {
  CURLcode rc = ResetRequest(*s, s->base + "/");
  if (rc == CURLE_OK && !MakeList({"NOOP"}, s->quote)) rc = CURLE_OUT_OF_MEMORY;
  Options o{s->curl.get(), rc};
  o.Set(CURLOPT_NOBODY, 1L).Set(CURLOPT_QUOTE, s->quote.get());
  return Translate(*s, o.rc == CURLE_OK ? Perform(*s) : o.rc, error);
}

bool FtpIsDirectory(FtpSession* s, const std::string& absDir, Failure& error) {
  // A body-less request on the directory URL is just the CWD into it.
  Options o{s->curl.get(), ResetRequest(*s, DirectoryUrl(*s, absDir))};
  o.Set(CURLOPT_NOBODY, 1L);
  if (Translate(*s, o.rc == CURLE_OK ? Perform(*s) : o.rc, error)) return true;
  ExplainRefusal(*s, absDir, Refused::Folder, error);
  return false;
}

namespace {

// One listing request: MLSD, "LIST -a" (names starting with "." too, which
// many servers leave out of a plain LIST), or LIST.
CURLcode RequestListing(FtpSession& s, const std::string& absDir, ListingReader& reader) {
  std::vector<DirEntry>* entries = reader.collector.entries;
  entries->clear();
  reader = ListingReader{};
  reader.collector.entries = entries;
  reader.format = s.mlsd ? ListingFormat::Mlsd : ListingFormat::List;
  reader.nowUtc = static_cast<int64_t>(std::time(nullptr));
  ListingSink sink{&s, &reader};
  Options o{s.curl.get(), ResetRequest(s, DirectoryUrl(s, absDir))};
  o.Set(CURLOPT_WRITEFUNCTION, &FeedSink).Set(CURLOPT_WRITEDATA, &sink);
  if (s.mlsd) {
    o.Set(CURLOPT_CUSTOMREQUEST, "MLSD");
  } else if (s.listAll) {
    o.Set(CURLOPT_CUSTOMREQUEST, "LIST -a");
  }
  return o.rc == CURLE_OK ? Perform(s) : o.rc;
}

}  // namespace

bool FtpList(FtpSession* s, const std::string& absDir, std::vector<DirEntry>& out, Failure& error) {
  out.clear();
  ListingReader reader;
  reader.collector.entries = &out;
  CURLcode rc = RequestListing(*s, absDir, reader);
  long reply = 0;
  // A refused CWD is about the folder; a refused "LIST -a" may be about the
  // option (a server that takes it for a name, or knows none): plain LIST
  // from then on.
  if (!s->mlsd && s->listAll && rc != CURLE_OK && rc != CURLE_REMOTE_ACCESS_DENIED && s->stop == Stop::None &&
      curl_easy_getinfo(s->curl.get(), CURLINFO_RESPONSE_CODE, &reply) == CURLE_OK && reply >= 500) {
    s->listAll = false;
    rc = RequestListing(*s, absDir, reader);
  }
  if (rc == CURLE_OK && !FinishListing(reader)) {
    StopForSize(*s, reader);
    rc = CURLE_WRITE_ERROR;
  }
  if (Translate(*s, rc, error)) return true;
  std::vector<DirEntry>().swap(out);
  ExplainRefusal(*s, absDir, Refused::Folder, error);
  return false;
}

bool FtpMakeDirectory(FtpSession* s, const std::string& absPath, Failure& error) {
  std::string dir, name;
  return SplitEntry(absPath, dir, name) ? EntryCommand(*s, absPath, {"MKD " + name}, Refused::NewEntry, error)
                                        : Fail(error, ErrorClass::Other, "no name in the path");
}

bool FtpRemoveDirectory(FtpSession* s, const std::string& absPath, Failure& error) {
  std::string dir, name;
  return SplitEntry(absPath, dir, name)
             ? EntryCommand(*s, absPath, {"RMD " + name}, Refused::FolderToRemove, error)
             : Fail(error, ErrorClass::Other, "no name in the path");
}

bool FtpRemoveFile(FtpSession* s, const std::string& absPath, Failure& error) {
  std::string dir, name;
  return SplitEntry(absPath, dir, name) ? EntryCommand(*s, absPath, {"DELE " + name}, Refused::File, error)
                                        : Fail(error, ErrorClass::Other, "no name in the path");
}

bool FtpRename(FtpSession* s, const std::string& from, const std::string& to, Failure& error) {
  std::string dir, name;
  return SplitEntry(from, dir, name) ? EntryCommand(*s, from, {"RNFR " + name, "RNTO " + to}, Refused::File, error)
                                     : Fail(error, ErrorClass::Other, "no name in the path");
}

bool FtpRemoveFileNow(FtpSession* s, const std::string& absPath, long timeoutMs, Failure& error) {
  std::string dir, name;
  if (!SplitEntry(absPath, dir, name)) return Fail(error, ErrorClass::Other, "no name in the path");
  CancelToken* const cancel = s->cancel;
  s->cancel = nullptr;  // this request is the clean-up of a cancelled one
  CURLcode rc = ResetRequest(*s, DirectoryUrl(*s, dir));
  if (rc == CURLE_OK && !MakeList({"DELE " + name}, s->postQuote)) rc = CURLE_OUT_OF_MEMORY;
  Options o{s->curl.get(), rc};
  o.Set(CURLOPT_NOBODY, 1L).Set(CURLOPT_POSTQUOTE, s->postQuote.get()).Set(CURLOPT_TIMEOUT_MS, timeoutMs);
  rc = o.rc == CURLE_OK ? Perform(*s) : o.rc;
  s->cancel = cancel;
  return Translate(*s, rc, error);
}

bool FtpFileSize(FtpSession* s, const std::string& absPath, int64_t& size, Failure& error) {
  std::string dir, name;
  if (!SplitEntry(absPath, dir, name)) return Fail(error, ErrorClass::Other, "no file name in the path");
  // Without a body libcurl asks SIZE and reports it as the content length.
  Options o{s->curl.get(), ResetRequest(*s, FileUrl(*s, dir, name))};
  o.Set(CURLOPT_NOBODY, 1L);
  const CURLcode rc = o.rc == CURLE_OK ? Perform(*s) : o.rc;
  if (!Translate(*s, rc, error)) {
    ExplainRefusal(*s, rc == CURLE_REMOTE_ACCESS_DENIED ? dir : absPath,
                   rc == CURLE_REMOTE_ACCESS_DENIED ? Refused::Folder : Refused::File, error);
    return false;
  }
  curl_off_t length = -1;
  if (curl_easy_getinfo(s->curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
    return Fail(error, ErrorClass::Other, "the server does not tell the size of " + absPath);
  }
  size = static_cast<int64_t>(length);
  return true;
}

bool FtpReceive(FtpSession* s, const std::string& remote, int64_t offset, const WriteFn& write,
                const ProgressFn& progress, bool sizeFirst, Failure& error) {
  std::string dir, name;
  if (!SplitEntry(remote, dir, name)) return Fail(error, ErrorClass::Other, "no file name in the path");
  Push push{&write, s};
  Progress p{&progress, s, false, offset, -1};
  Options o{s->curl.get(), ResetRequest(*s, FileUrl(*s, dir, name))};
  // A resumed receive asks the size all the same: libcurl sends REST only then.
  o.Set(CURLOPT_WRITEFUNCTION, &PushBytes)
      .Set(CURLOPT_WRITEDATA, &push)
      .Set(CURLOPT_IGNORE_CONTENT_LENGTH, !sizeFirst && offset == 0 ? 1L : 0L)
      .Set(CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));
  if (o.rc == CURLE_OK) o.rc = SetProgress(*s, p);
  const CURLcode rc = o.rc == CURLE_OK ? Perform(*s) : o.rc;
  if (Translate(*s, rc, error)) return true;
  ExplainRefusal(*s, rc == CURLE_REMOTE_ACCESS_DENIED ? dir : remote,
                 rc == CURLE_REMOTE_ACCESS_DENIED ? Refused::Folder : Refused::File, error);
  return false;
}

bool FtpSend(FtpSession* s, const ReadFn& read, int64_t size, const std::string& remote, int64_t offset,
             const ProgressFn& progress, Failure& error) {
  std::string dir, name;
  if (!SplitEntry(remote, dir, name)) return Fail(error, ErrorClass::Other, "no file name in the path");
  if (offset > 0) {
    int64_t held = -1;
    if (!FtpFileSize(s, remote, held, error)) return false;
    if (held != offset) {
      return Fail(error, ErrorClass::Other,
                  remote + " holds " + std::to_string(held) + " bytes, not the " + std::to_string(offset) +
                      " to resume after");
    }
  }
  Pull pull{&read, s, size};
  Progress p{&progress, s, true, offset, size >= 0 ? offset + size : -1};
  Options o{s->curl.get(), ResetRequest(*s, FileUrl(*s, dir, name))};
  o.Set(CURLOPT_UPLOAD, 1L)
      .Set(CURLOPT_APPEND, offset > 0 ? 1L : 0L)
      .Set(CURLOPT_READFUNCTION, &PullBytes)
      .Set(CURLOPT_READDATA, &pull)
      .Set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
  if (o.rc == CURLE_OK) o.rc = SetProgress(*s, p);
  const CURLcode rc = o.rc == CURLE_OK ? Perform(*s) : o.rc;
  if (Translate(*s, rc, error)) return true;
  if (rc == CURLE_REMOTE_ACCESS_DENIED) {
    ExplainRefusal(*s, dir, Refused::Folder, error);
  } else if (s->unclearRefusal && error.cls == ErrorClass::Other) {
    error.cls = ErrorClass::Permission;  // the folder is there; the server will not take the file
  }
  return false;
}

}  // namespace tarnholm::backend
