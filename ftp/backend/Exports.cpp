// The C boundary: UTF-16 in and out, connection numbers, one lock, the error
// class of every call, and no exception ever leaves a function.

#include <exception>
#include <map>
#include <mutex>
#include <string>

#include "Cancel.h"
#include "ConnectionTable.h"
#include "Failure.h"
#include "RemoteOps.h"
#include "ServerPath.h"
#include "TarnholmFtp.h"
#include "Utf16.h"

using namespace tarnholm::backend;

namespace {

constexpr std::size_t kMessageChars = 1024;  // plus the NUL
constexpr std::size_t kNameChars = 260;      // with the NUL

static_assert(static_cast<int64_t>(ErrorClass::ReplaceRefused) == kTarnholmErrorReplaceRefused &&
              static_cast<int64_t>(ErrorClass::Other) == kTarnholmErrorOther &&
              static_cast<int64_t>(ErrorClass::Cancelled) == kTarnholmErrorCancelled);

std::recursive_mutex& Lock() {
  static std::recursive_mutex lock;
  return lock;
}

// Registrations by connection number; they live apart from the connections
// because they must be in place before OpenFTPEx creates one.
struct Registration {
  TrustFn trust;
  std::string preferredKeyTypes;
};
std::map<int64_t, Registration>& Registrations() {
  static std::map<int64_t, Registration> registrations;
  return registrations;
}

// The class of the last call per number, readable from any thread.
std::mutex& ClassLock() {
  static std::mutex lock;
  return lock;
}
std::map<int64_t, ErrorClass>& LastClasses() {
  static std::map<int64_t, ErrorClass> classes;
  return classes;
}

void RecordClass(int64_t conn, ErrorClass cls) {
  std::lock_guard hold(ClassLock());
  LastClasses()[conn] = cls;
}

TrustFn MakeTrustFn(TarnholmTrustFn fn, void* user) {
  return [fn, user](const TrustQuestion& q) {
    const std::u16string host = Utf8ToUtf16(q.host), fingerprint = Utf8ToUtf16(q.fingerprint),
                         publicKey = Utf8ToUtf16(q.publicKey), subject = Utf8ToUtf16(q.subject),
                         issuer = Utf8ToUtf16(q.issuer), validFrom = Utf8ToUtf16(q.validFrom),
                         validUntil = Utf8ToUtf16(q.validUntil), reason = Utf8ToUtf16(q.reason);
    TarnholmTrustQuestion c{host.c_str(),        q.port,
                            static_cast<int64_t>(q.kind), fingerprint.c_str(),
                            publicKey.c_str(),   subject.c_str(),
                            issuer.c_str(),      validFrom.c_str(),
                            validUntil.c_str(),  reason.c_str(),
                            static_cast<int64_t>(q.reasonCode)};
    return fn(user, &c) == 1;
  };
}

void WriteMessage(char16_t* msg, const std::string& text) {
  if (msg != nullptr) CopyToBuffer(Utf8ToUtf16(text), msg, kMessageChars + 1);
}

// Runs body under the lock; turns an escaping exception into failure.
template <class Body>
int64_t Guarded(char16_t* msg, Body&& body) {
  try {
    std::lock_guard<std::recursive_mutex> hold(Lock());
    return body();
  } catch (const std::exception& e) {
    WriteMessage(msg, std::string("internal error: ") + e.what());
  } catch (...) {
    WriteMessage(msg, "internal error");
  }
  return 0;
}

// Runs op on the open connection conn and records the class of its outcome.
// A cancel request refuses the call before it touches anything; a closed
// number gives 0 untouched. Before an op that talks to the server anyway,
// the temporary files of earlier failed sends get another try. op returns its result; 0 is a failure of class
// Other unless op names the class, or sets None for a 0 that is an answer
// (the end of a listing, a size of 0).
template <class Op>
int64_t WithConnection(int64_t conn, char16_t* msg, Op&& op, bool talksToServer = true) {
  ErrorClass cls = ErrorClass::Other;
  const int64_t result = Guarded(msg, [&]() -> int64_t {
    if (CancelRequested(&CancelTokenFor(conn))) {
      cls = ErrorClass::Cancelled;
      WriteMessage(msg, "cancelled");
      return 0;
    }
    Connection* c = FindConnection(conn);
    if (c == nullptr) return 0;
    if (talksToServer && !c->leftovers.empty()) RemoveLeftovers(*c);
    Failure error;
    error.cls = ErrorClass::Other;  // what a 0 means unless the operation says more
    const int64_t r = op(*c, error);
    cls = r != 0 ? ErrorClass::None : error.cls;
    if (r == 0 && !error.text.empty()) WriteMessage(msg, error.text);
    return r;
  });
  RecordClass(conn, cls);
  return result;
}

// A UTF-16 argument naming a server entry, as an absolute path.
bool EntryArgument(const Connection& c, const char16_t* text, std::string& path, Failure& error) {
  std::string utf8;
  if (!Utf16ToUtf8(text, utf8) || !ResolveEntry(c.directory, utf8, path)) {
    return Fail(error, ErrorClass::Other, "invalid server path");
  }
  return true;
}

}  // namespace

extern "C" {

int64_t OpenFTPEx(int64_t conn, int64_t protocol, const char16_t* host, int64_t port, const char16_t* user,
                  const char16_t* password, int64_t mode, char16_t* msg) {
  (void)mode;  // always passive
  if (conn <= 0) return 0;
  Failure error;
  error.cls = ErrorClass::Other;
  const int64_t result = Guarded(msg, [&]() -> int64_t {
    (void)RemoveConnection(conn);  // a reopen starts from scratch
    OpenRequest r;
    if (protocol < 1 || protocol > 4 || port < 1 || port > 65535 || !Utf16ToUtf8(host, r.host) ||
        !Utf16ToUtf8(user, r.user) || !Utf16ToUtf8(password, r.password)) {
      Fail(error, ErrorClass::Other, "invalid connection parameters");
      WriteMessage(msg, error.text);
      return 0;
    }
    r.protocol = static_cast<Protocol>(protocol);
    r.port = static_cast<int>(port);
    r.cancel = &CancelTokenFor(conn);
    if (CancelRequested(r.cancel)) {
      Fail(error, ErrorClass::Cancelled, "cancelled");
      WriteMessage(msg, error.text);
      return 0;
    }
    if (const auto it = Registrations().find(conn); it != Registrations().end()) {
      r.trust = it->second.trust;
      r.preferredKeyTypes = it->second.preferredKeyTypes;
    }
    auto c = RemoteOpen(r, error);
    if (c && CancelRequested(r.cancel)) {
      c.reset();  // it came through just as the cancel request did: closed again
      Fail(error, ErrorClass::Cancelled, "cancelled");
    }
    if (!c) {
      WriteMessage(msg, error.text);
      return 0;
    }
    StoreConnection(conn, std::move(c));
    error.cls = ErrorClass::None;
    return 1;
  });
  RecordClass(conn, error.cls);
  return result;
}

int64_t CloseFTPEx(int64_t conn, char16_t* msg) {
  const int64_t result = Guarded(msg, [&]() -> int64_t {
    if (Connection* c = FindConnection(conn); c != nullptr && !c->leftovers.empty()) RemoveLeftovers(*c);
    return RemoveConnection(conn) ? 1 : 0;
  });
  RecordClass(conn, result != 0 ? ErrorClass::None : ErrorClass::Other);
  return result;
}

int64_t ExamineFTPDirectoryEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t {
    c.listing = false;
    c.entries.clear();
    c.nextEntry = 0;
    if (!RemoteList(c, c.directory, c.entries, error)) return 0;
    c.listing = true;
    return 1;
  });
}

int64_t NextFTPDirectoryEntryEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t {
    if (!c.listing) return Fail(error, ErrorClass::Other, "no listing");
    if (c.nextEntry >= c.entries.size()) {
      error.cls = ErrorClass::None;  // the end of the listing is no failure
      return 0;
    }
    ++c.nextEntry;
    return 1;
  }, false);
}

int64_t FTPDirectoryEntryNameEx(int64_t conn, char16_t* name, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    if (e == nullptr || name == nullptr) return 0;
    CopyToBuffer(Utf8ToUtf16(e->name), name, kNameChars);
    return 1;
  }, false);
}

int64_t FTPDirectoryEntrySizeEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    if (e != nullptr) error.cls = ErrorClass::None;  // a size of 0 is no failure
    return e == nullptr ? 0 : e->size;
  }, false);
}

int64_t FTPDirectoryEntryDateEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    return e == nullptr ? -1 : e->date;
  }, false);
}

int64_t FTPDirectoryEntryTypeEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    if (e != nullptr) error.cls = ErrorClass::None;  // type 0 ("other") is no failure
    return e == nullptr ? 0 : static_cast<int64_t>(e->type);
  }, false);
}

int64_t FTPDirectoryEntryAttributesEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    if (e == nullptr) return 0;
    error.cls = ErrorClass::None;
    const int64_t kind = e->type == EntryType::Directory ? 0x10 : e->type == EntryType::File ? 0x80 : 0;
    return kind == 0 ? 0 : kind | (e->link ? 0x400 : 0);
  }, false);
}

int64_t FinishFTPDirectoryEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure&) -> int64_t {
    const bool wasOpen = c.listing;
    c.listing = false;
    std::vector<DirEntry>().swap(c.entries);
    c.nextEntry = 0;
    return wasOpen ? 1 : 0;
  }, false);
}

int64_t SetFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string utf8, target;
    if (!Utf16ToUtf8(path, utf8) || !ResolveDirectory(c.directory, utf8, target)) {
      return Fail(error, ErrorClass::Other, "invalid server path");
    }
    if (!RemoteIsDirectory(c, target, error)) return 0;
    c.directory = target;
    return 1;
  });
}

int64_t GetFTPDirectoryEx(int64_t conn, char16_t* buffer, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure&) -> int64_t {
    if (buffer == nullptr) return 0;
    CopyToBuffer(Utf8ToUtf16(c.directory), buffer, kNameChars);
    return 1;
  }, false);
}

int64_t CreateFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string target;
    return EntryArgument(c, path, target, error) && RemoteMakeDirectory(c, target, error);
  });
}

int64_t DeleteFTPDirectoryEx(int64_t conn, const char16_t* name, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string target;
    return EntryArgument(c, name, target, error) && RemoteRemoveDirectory(c, target, error);
  });
}

int64_t DeleteFTPFileEx(int64_t conn, const char16_t* name, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string target;
    return EntryArgument(c, name, target, error) && RemoteRemoveFile(c, target, error);
  });
}

int64_t RenameFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string source, target;
    return EntryArgument(c, from, source, error) && EntryArgument(c, to, target, error) &&
           RemoteRename(c, source, target, error);
  });
}

int64_t ReplaceFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string source, target;
    return EntryArgument(c, from, source, error) && EntryArgument(c, to, target, error) &&
           RemoteReplace(c, source, target, error);
  });
}

int64_t FTPFileSizeEx(int64_t conn, const char16_t* path, char16_t* msg) {
  int64_t size = -1;
  const int64_t found = WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string target;
    return EntryArgument(c, path, target, error) && RemoteFileSize(c, target, size, error);
  });
  return found != 0 ? size : -1;
}

int64_t ReceiveFTPFileEx(int64_t conn, const char16_t* remote, const char16_t* local, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string source, target;
    if (!EntryArgument(c, remote, source, error)) return 0;
    if (!Utf16ToUtf8(local, target) || target.empty()) return Fail(error, ErrorClass::Other, "invalid local path");
    return RemoteDownload(c, source, target, error);
  });
}

int64_t SendFTPFileEx(int64_t conn, const char16_t* local, const char16_t* remote, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string source, target;
    if (!Utf16ToUtf8(local, source) || source.empty()) return Fail(error, ErrorClass::Other, "invalid local path");
    return EntryArgument(c, remote, target, error) && RemoteUpload(c, source, target, error);
  });
}

int64_t SendFTPStreamEx(int64_t conn, TarnholmReadFn read, void* user, int64_t size, const char16_t* remote,
                        int64_t offset, int64_t flags, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string target;
    if (read == nullptr) return Fail(error, ErrorClass::Other, "no read callback");
    if (!EntryArgument(c, remote, target, error)) return 0;
    const ReadFn pull = [read, user](char* buffer, int64_t capacity) { return read(user, buffer, capacity); };
    return RemoteSend(c, pull, size, target, offset, (flags & kTarnholmSendReplaceSafely) != 0, error);
  });
}

int64_t ReceiveFTPStreamEx(int64_t conn, const char16_t* remote, int64_t offset, TarnholmWriteFn write, void* user,
                           char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, Failure& error) -> int64_t {
    std::string source;
    if (write == nullptr) return Fail(error, ErrorClass::Other, "no write callback");
    if (!EntryArgument(c, remote, source, error)) return 0;
    const WriteFn push = [write, user](const char* data, int64_t length) {
      return write(user, data, length) == length;
    };
    return RemoteReceive(c, source, offset, push, false, error);
  });
}

int64_t CheckFTPConnectionEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t { return RemoteCheck(c, error); });
}

int64_t IsFTPEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, Failure& error) -> int64_t {
    error.cls = ErrorClass::None;  // SFTP is an answer, not a failure
    return c.protocol == Protocol::Sftp ? 0 : 1;
  }, false);
}

int64_t SetFTPProgressCallbackEx(int64_t conn, TarnholmProgressFn fn, void* user) {
  return Guarded(nullptr, [&]() -> int64_t {
    Connection* c = FindConnection(conn);
    if (c == nullptr) return 0;
    if (fn == nullptr) {
      c->progress = nullptr;
    } else {
      c->progress = [fn, user](int64_t done, int64_t total) { return fn(user, done, total) == 0; };
    }
    return 1;
  });
}

int64_t SetFTPTrustCallbackEx(int64_t conn, TarnholmTrustFn fn, void* user) {
  return Guarded(nullptr, [&]() -> int64_t {
    if (conn <= 0) return 0;
    Registrations()[conn].trust = fn == nullptr ? TrustFn() : MakeTrustFn(fn, user);
    return 1;
  });
}

int64_t SetFTPHostKeyPreferenceEx(int64_t conn, const char16_t* types) {
  return Guarded(nullptr, [&]() -> int64_t {
    if (conn <= 0) return 0;
    std::string utf8;
    if (types != nullptr && !Utf16ToUtf8(types, utf8)) return 0;
    Registrations()[conn].preferredKeyTypes = utf8;
    return 1;
  });
}

int64_t FTPLastErrorClassEx(int64_t conn) {
  std::lock_guard hold(ClassLock());
  const auto it = LastClasses().find(conn);
  return it == LastClasses().end() ? int64_t{kTarnholmErrorNone} : static_cast<int64_t>(it->second);
}

int64_t CancelFTPEx(int64_t conn, int64_t on) {
  if (conn <= 0) return 0;
  RequestCancel(CancelTokenFor(conn), on != 0);
  return 1;
}

}  // extern "C"
