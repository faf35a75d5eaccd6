// The C boundary: UTF-16 in and out, connection numbers, one lock, and no
// exception ever leaves a function.

#include <exception>
#include <map>
#include <mutex>
#include <string>

#include "ConnectionTable.h"
#include "RemoteOps.h"
#include "ServerPath.h"
#include "TarnholmFtp.h"
#include "Utf16.h"

using namespace tarnholm::backend;

namespace {

constexpr std::size_t kMessageChars = 1024;  // plus the NUL
constexpr std::size_t kNameChars = 260;      // with the NUL

std::recursive_mutex& Lock() {
  static std::recursive_mutex lock;
  return lock;
}

// Trust callbacks by connection number; they live apart from the connections
// because they must be in place before OpenFTPEx creates one.
std::map<int64_t, TrustFn>& TrustCallbacks() {
  static std::map<int64_t, TrustFn> callbacks;
  return callbacks;
}

TrustFn MakeTrustFn(TarnholmTrustFn fn, void* user) {
  return [fn, user](const TrustQuestion& q) {
    const std::u16string host = Utf8ToUtf16(q.host), fingerprint = Utf8ToUtf16(q.fingerprint),
                         publicKey = Utf8ToUtf16(q.publicKey), subject = Utf8ToUtf16(q.subject),
                         issuer = Utf8ToUtf16(q.issuer), validFrom = Utf8ToUtf16(q.validFrom),
                         validUntil = Utf8ToUtf16(q.validUntil), reason = Utf8ToUtf16(q.reason);
    TarnholmTrustQuestion c{host.c_str(),    q.port,           static_cast<int64_t>(q.kind),
                            fingerprint.c_str(), publicKey.c_str(), subject.c_str(),
                            issuer.c_str(),  validFrom.c_str(), validUntil.c_str(),
                            reason.c_str()};
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

// Runs op on the open connection conn; a closed number gives 0 untouched.
template <class Op>
int64_t WithConnection(int64_t conn, char16_t* msg, Op&& op) {
  return Guarded(msg, [&]() -> int64_t {
    Connection* c = FindConnection(conn);
    if (c == nullptr) return 0;
    std::string error;
    const int64_t result = op(*c, error);
    if (result == 0 && !error.empty()) WriteMessage(msg, error);
    return result;
  });
}

// A UTF-16 argument naming a server entry, as an absolute path.
bool EntryArgument(const Connection& c, const char16_t* text, std::string& path, std::string& error) {
  std::string utf8;
  if (!Utf16ToUtf8(text, utf8) || !ResolveEntry(c.directory, utf8, path)) {
    error = "invalid server path";
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

int64_t OpenFTPEx(int64_t conn, int64_t protocol, const char16_t* host, int64_t port, const char16_t* user,
                  const char16_t* password, int64_t mode, char16_t* msg) {
  (void)mode;  // always passive
  return Guarded(msg, [&]() -> int64_t {
    if (conn <= 0) return 0;
    OpenRequest r;
    std::string error;
    if (protocol < 1 || protocol > 4 || port < 1 || port > 65535 || !Utf16ToUtf8(host, r.host) ||
        !Utf16ToUtf8(user, r.user) || !Utf16ToUtf8(password, r.password)) {
      WriteMessage(msg, "invalid connection parameters");
      return 0;
    }
    r.protocol = static_cast<Protocol>(protocol);
    r.port = static_cast<int>(port);
    if (const auto it = TrustCallbacks().find(conn); it != TrustCallbacks().end()) r.trust = it->second;
    (void)RemoveConnection(conn);  // a reopen starts from scratch
    auto c = RemoteOpen(r, error);
    if (!c) {
      WriteMessage(msg, error);
      return 0;
    }
    StoreConnection(conn, std::move(c));
    return 1;
  });
}

int64_t CloseFTPEx(int64_t conn, char16_t* msg) {
  return Guarded(msg, [&]() -> int64_t { return RemoveConnection(conn) ? 1 : 0; });
}

int64_t ExamineFTPDirectoryEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string& error) -> int64_t {
    c.listing = false;
    c.entries.clear();
    c.nextEntry = 0;
    if (!RemoteList(c, c.directory, c.entries, error)) return 0;
    c.listing = true;
    return 1;
  });
}

int64_t NextFTPDirectoryEntryEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    if (!c.listing || c.nextEntry >= c.entries.size()) return 0;
    ++c.nextEntry;
    return 1;
  });
}

int64_t FTPDirectoryEntryNameEx(int64_t conn, char16_t* name, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    if (e == nullptr || name == nullptr) return 0;
    CopyToBuffer(Utf8ToUtf16(e->name), name, kNameChars);
    return 1;
  });
}

int64_t FTPDirectoryEntrySizeEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    return e == nullptr ? 0 : e->size;
  });
}

int64_t FTPDirectoryEntryDateEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    return e == nullptr ? -1 : e->date;
  });
}

int64_t FTPDirectoryEntryTypeEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    return e == nullptr ? 0 : static_cast<int64_t>(e->type);
  });
}

int64_t FTPDirectoryEntryAttributesEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    const DirEntry* e = CurrentEntry(c);
    if (e == nullptr) return 0;
    return e->type == EntryType::Directory ? 0x10 : e->type == EntryType::File ? 0x80 : 0;
  });
}

int64_t FinishFTPDirectoryEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    const bool wasOpen = c.listing;
    c.listing = false;
    c.entries.clear();
    c.entries.shrink_to_fit();
    c.nextEntry = 0;
    return wasOpen ? 1 : 0;
  });
}

int64_t SetFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string utf8, target;
    if (!Utf16ToUtf8(path, utf8) || !ResolveDirectory(c.directory, utf8, target)) {
      error = "invalid server path";
      return 0;
    }
    if (!RemoteIsDirectory(c, target, error)) return 0;
    c.directory = target;
    return 1;
  });
}

int64_t GetFTPDirectoryEx(int64_t conn, char16_t* buffer, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string&) -> int64_t {
    if (buffer == nullptr) return 0;
    CopyToBuffer(Utf8ToUtf16(c.directory), buffer, kNameChars);
    return 1;
  });
}

int64_t CreateFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string target;
    return EntryArgument(c, path, target, error) && RemoteMakeDirectory(c, target, error);
  });
}

int64_t DeleteFTPDirectoryEx(int64_t conn, const char16_t* name, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string target;
    return EntryArgument(c, name, target, error) && RemoteRemoveDirectory(c, target, error);
  });
}

int64_t DeleteFTPFileEx(int64_t conn, const char16_t* name, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string target;
    return EntryArgument(c, name, target, error) && RemoteRemoveFile(c, target, error);
  });
}

int64_t RenameFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string source, target;
    return EntryArgument(c, from, source, error) && EntryArgument(c, to, target, error) &&
           RemoteRename(c, source, target, error);
  });
}

int64_t ReceiveFTPFileEx(int64_t conn, const char16_t* remote, const char16_t* local, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string source, target;
    if (!EntryArgument(c, remote, source, error)) return 0;
    if (!Utf16ToUtf8(local, target) || target.empty()) {
      error = "invalid local path";
      return 0;
    }
    return RemoteDownload(c, source, target, error);
  });
}

int64_t SendFTPFileEx(int64_t conn, const char16_t* local, const char16_t* remote, char16_t* msg) {
  return WithConnection(conn, msg, [&](Connection& c, std::string& error) -> int64_t {
    std::string source, target;
    if (!Utf16ToUtf8(local, source) || source.empty()) {
      error = "invalid local path";
      return 0;
    }
    return EntryArgument(c, remote, target, error) && RemoteUpload(c, source, target, error);
  });
}

int64_t CheckFTPConnectionEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string& error) -> int64_t {
    return RemoteCheck(c, error);
  });
}

int64_t IsFTPEx(int64_t conn, char16_t* msg) {
  return WithConnection(conn, msg, [](Connection& c, std::string&) -> int64_t {
    return c.protocol == Protocol::Sftp ? 0 : 1;
  });
}

int64_t SetFTPProgressCallbackEx(int64_t conn, TarnholmProgressFn fn, void* user) {
  return WithConnection(conn, nullptr, [&](Connection& c, std::string&) -> int64_t {
    if (fn == nullptr) {
      c.progress = nullptr;
    } else {
      c.progress = [fn, user](int64_t done, int64_t total) { return fn(user, done, total) == 0; };
    }
    return 1;
  });
}

int64_t SetFTPTrustCallbackEx(int64_t conn, TarnholmTrustFn fn, void* user) {
  return Guarded(nullptr, [&]() -> int64_t {
    if (conn <= 0) return 0;
    if (fn == nullptr) {
      TrustCallbacks().erase(conn);
    } else {
      TrustCallbacks()[conn] = MakeTrustFn(fn, user);
    }
    return 1;
  });
}

}  // extern "C"
