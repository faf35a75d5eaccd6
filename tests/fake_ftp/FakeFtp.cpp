// A stand-in for the FTP backend with the same functions: a scripted
// directory listing, a log of every call, failures and error classes on
// demand, and calls that wait at a gate until released or cancelled, so the
// program's side can be tested without a server, on its worker thread.
// With the server root set and listing from it switched on, the folders
// below that root are the server's: listings, folder commands and transfers
// work on them. FAKE_FTP_INCOMPLETE lacks one of the 20 functions;
// FAKE_FTP_CLASSIC has exactly the 20 and nothing newer.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::u16string name;
  int64_t size, date, type;
  bool link = false;
};

struct Fake {
  std::vector<Entry> entries;
  int64_t cursor = -1;
  bool examining = false;
  int64_t openConnection = 0;
  std::u16string directory = u"/";
  std::map<std::string, std::u16string> failures;  // operation -> argument that fails ("*" any)
  std::map<std::string, int64_t> classes;          // operation -> error class of its failure
  std::string log;
  std::u16string serverRoot;  // when set, transfers move files below it
  int (*progress)(void*, int64_t, int64_t) = nullptr;
  void* progressUser = nullptr;
  int64_t lastClass = 0;
  bool cancel = false;
  std::string hold;           // the operation that waits at the gate
  bool waiting = false;       // a call waits there now
  bool released = false;
  int64_t chunk = 64 * 1024;  // bytes per stream callback
  bool listFromRoot = false;  // listings show the folder below the server root
  std::vector<Entry> listed;  // the listing being read
  int64_t cutAfter = -1;      // the next stream loses the connection after this many bytes
};

std::mutex g_mutex;
std::condition_variable g_gate;

Fake& State() {
  static Fake fake;
  return fake;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string Text(const char16_t* text) { return text == nullptr ? std::u16string() : std::u16string(text); }

void Log(const std::string& line) { State().log += line + "\n"; }

bool Fails(const std::string& operation, const std::u16string& argument) {
  auto it = State().failures.find(operation);
  return it != State().failures.end() && (it->second == u"*" || it->second == argument);
}

bool Open(int64_t conn) { return conn != 0 && conn == State().openConnection; }

// A scripted failure has no class unless the test gives it one.
int64_t Fail(const std::string& operation) {
  auto it = State().classes.find(operation);
  State().lastClass = it != State().classes.end() ? it->second : 0;
  return 0;
}
int64_t FailWith(int64_t errorClass) {
  State().lastClass = errorClass;
  return 0;
}
int64_t Succeed(int64_t result = 1) {
  State().lastClass = 0;
  return result;
}

// Waits while `operation` is held, until released or cancelled. False when cancelled.
bool PassGate(std::unique_lock<std::mutex>& lock, const std::string& operation) {
  Fake& f = State();
  if (f.hold != operation) return !f.cancel;
  f.waiting = true;
  f.released = false;
  g_gate.notify_all();
  g_gate.wait(lock, [&f] { return f.released || f.cancel; });
  f.waiting = false;
  f.hold.clear();
  return !f.cancel;
}

const Entry* Current() {
  Fake& f = State();
  if (!f.examining || f.cursor < 0 || f.cursor >= static_cast<int64_t>(f.listed.size())) return nullptr;
  return &f.listed[f.cursor];
}

// Server paths as the fake keeps them: absolute, or relative to the current directory.
std::u16string Absolute(const std::u16string& path) {
  return !path.empty() && path[0] == u'/' ? path : State().directory + path;
}
fs::path OnServer(const std::u16string& path) { return fs::path(State().serverRoot + Absolute(path)); }

// The folders below the server root are the server's.
bool OnDisk() { return State().listFromRoot && !State().serverRoot.empty(); }

std::u16string Utf16Of(const std::string& utf8) {
  std::u16string out;
  for (unsigned char c : utf8) out += static_cast<char16_t>(c);  // the tests' names are ASCII
  return out;
}

// The entries of a folder below the server root, as a server lists them.
std::vector<Entry> ListFolder(const fs::path& folder) {
  std::vector<Entry> out;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(folder, ec)) {
    const bool link = item.is_symlink(ec);
    const bool directory = item.is_directory(ec);
    const int64_t size = directory ? 0 : static_cast<int64_t>(item.file_size(ec));
    const auto when = std::chrono::file_clock::to_sys(item.last_write_time(ec));
    const int64_t date = std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    out.push_back({Utf16Of(item.path().filename().string()), ec ? 0 : size, date, directory ? 2 : 1, link});
  }
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return out;
}

// A stream that is to lose the connection after cutAfter bytes: true once it has.
[[maybe_unused]] bool CutHere(int64_t moved) {  // the classic build has no streams
  Fake& f = State();
  if (f.cutAfter < 0 || moved < f.cutAfter) return false;
  f.cutAfter = -1;
  f.openConnection = 0;
  f.progress = nullptr;
  return true;
}

// "LoseOn<operation>" drops the connection during that operation, as a
// vanished server would: it fails and so does every later call.
bool LosesConnection(const std::string& operation, const std::u16string& argument) {
  if (!Fails("LoseOn" + operation, argument)) return false;
  State().openConnection = 0;
  State().progress = nullptr;
  State().lastClass = 11;
  return true;
}

// Copies a file as a file transfer would, reporting progress in a few steps.
bool Transfer(std::unique_lock<std::mutex>& lock, const std::string& operation, const fs::path& from,
              const fs::path& to) {
  std::error_code ec;
  const auto size = static_cast<int64_t>(fs::file_size(from, ec));
  if (ec) return false;
  Fake& f = State();
  auto report = [&](int64_t done) {
    if (f.progress == nullptr) return true;
    auto fn = f.progress;
    void* user = f.progressUser;
    lock.unlock();
    const int stop = fn(user, done, size);
    lock.lock();
    return stop == 0;
  };
  if (!report(0) || !report(size / 2) || !PassGate(lock, operation)) return false;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  return report(size);
}

}  // namespace

// Scripting interface for the tests.
FAKE_API void FakeFtpReset() {
  std::lock_guard lock(g_mutex);
  State() = Fake{};
}
FAKE_API void FakeFtpAddEntry(const char16_t* name, int64_t size, int64_t date, int64_t type) {
  std::lock_guard lock(g_mutex);
  State().entries.push_back({Text(name), size, date, type});
}
FAKE_API void FakeFtpFail(const char* operation, const char16_t* argument) {
  std::lock_guard lock(g_mutex);
  State().failures[operation] = Text(argument);
}
FAKE_API void FakeFtpSetErrorClass(const char* operation, int64_t errorClass) {
  std::lock_guard lock(g_mutex);
  State().classes[operation] = errorClass;
}
FAKE_API const char* FakeFtpLog() {
  std::lock_guard lock(g_mutex);
  static std::string copy;
  copy = State().log;
  return copy.c_str();
}
FAKE_API void FakeFtpSetServerRoot(const char16_t* directory) {
  std::lock_guard lock(g_mutex);
  State().serverRoot = Text(directory);
}
// Bytes per stream callback; negative: pieces of changing size.
FAKE_API void FakeFtpSetChunk(int64_t bytes) {
  std::lock_guard lock(g_mutex);
  State().chunk = bytes;
}
// The next call of operation ("Open", "Examine", "Send", "Receive") waits half-way.
FAKE_API void FakeFtpHold(const char* operation) {
  std::lock_guard lock(g_mutex);
  State().hold = operation;
}
// Waits up to ms for a call to reach the gate; 1 when one waits there.
FAKE_API int FakeFtpWaitHeld(int64_t ms) {
  std::unique_lock lock(g_mutex);
  return g_gate.wait_for(lock, std::chrono::milliseconds(ms), [] { return State().waiting; }) ? 1 : 0;
}
// Listings show the folders below the server root instead of the scripted entries.
FAKE_API void FakeFtpListFromRoot(int on) {
  std::lock_guard lock(g_mutex);
  State().listFromRoot = on != 0;
}
// The next stream transfer loses the connection once this many bytes have moved.
FAKE_API void FakeFtpCutAfter(int64_t bytes) {
  std::lock_guard lock(g_mutex);
  State().cutAfter = bytes;
}
FAKE_API void FakeFtpRelease() {
  std::lock_guard lock(g_mutex);
  State().released = true;
  g_gate.notify_all();
}

FAKE_API int64_t OpenFTPEx(int64_t conn, int64_t protocol, const char16_t* host, int64_t port, const char16_t* user,
                           const char16_t*, int64_t mode, char16_t*) {
  std::unique_lock lock(g_mutex);
  Log("Open " + std::to_string(protocol) + " " + Utf8(Text(host)) + " " + std::to_string(port) + " " +
      Utf8(Text(user)) + " " + std::to_string(mode));
  if (!PassGate(lock, "Open")) return FailWith(10);
  if (Fails("Open", u"*")) return Fail("Open");
  State().openConnection = conn;
  // SFTP servers show the whole file system and put the user in a home of its own.
  State().directory = protocol == 2 ? u"/home/" + Text(user) + u"/" : u"/";
  return Succeed();
}
FAKE_API int64_t CloseFTPEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("Close");
  if (!Open(conn)) return FailWith(11);
  State().openConnection = 0;
  State().progress = nullptr;
  return Succeed();
}
FAKE_API int64_t ExamineFTPDirectoryEx(int64_t conn, char16_t*) {
  std::unique_lock lock(g_mutex);
  Log("Examine " + Utf8(State().directory));
  if (!Open(conn)) return FailWith(11);
  if (!PassGate(lock, "Examine")) return FailWith(10);
  if (LosesConnection("Examine", u"*")) return 0;
  if (Fails("Examine", u"*")) return Fail("Examine");
  Fake& f = State();
  f.listed = OnDisk() ? ListFolder(OnServer(f.directory)) : f.entries;
  f.examining = true;
  f.cursor = -1;
  return Succeed();
}
FAKE_API int64_t NextFTPDirectoryEntryEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  if (!Open(conn) || !State().examining) return 0;
  return ++State().cursor < static_cast<int64_t>(State().listed.size()) ? 1 : 0;
}
FAKE_API int64_t FTPDirectoryEntryNameEx(int64_t conn, char16_t* name, char16_t*) {
  std::lock_guard lock(g_mutex);
  const Entry* e = Current();
  if (!Open(conn) || e == nullptr) return 0;
  const size_t n = std::min<size_t>(e->name.size(), 259);
  std::copy_n(e->name.begin(), n, name);
  name[n] = u'\0';
  return 1;
}
FAKE_API int64_t FTPDirectoryEntrySizeEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  const Entry* e = Current();
  return Open(conn) && e != nullptr ? e->size : 0;
}
FAKE_API int64_t FTPDirectoryEntryDateEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  const Entry* e = Current();
  return Open(conn) && e != nullptr ? e->date : -1;
}
FAKE_API int64_t FTPDirectoryEntryTypeEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  const Entry* e = Current();
  return Open(conn) && e != nullptr ? e->type : 0;
}
FAKE_API int64_t FTPDirectoryEntryAttributesEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  const Entry* e = Current();
  if (!Open(conn) || e == nullptr || (e->type != 1 && e->type != 2)) return 0;
  return (e->type == 2 ? 0x10 : 0x80) | (e->link ? 0x400 : 0);
}
FAKE_API int64_t FinishFTPDirectoryEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  if (!Open(conn) || !State().examining) return 0;
  State().examining = false;
  return 1;
}
FAKE_API int64_t SetFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t*) {
  std::lock_guard lock(g_mutex);
  const std::u16string p = Text(path);
  Log("SetDirectory " + Utf8(p));
  if (!Open(conn)) return FailWith(11);
  if (Fails("SetDirectory", p)) return Fail("SetDirectory");
  if (OnDisk() && p != u".." && !fs::is_directory(OnServer(p))) return FailWith(7);
  std::u16string& d = State().directory;
  if (p == u"..") {
    const size_t slash = d.size() >= 2 ? d.rfind(u'/', d.size() - 2) : std::u16string::npos;
    if (slash != std::u16string::npos) d.resize(slash + 1);
  } else {
    d = Absolute(p);
    if (d.back() != u'/') d += u'/';
  }
  return Succeed();
}
FAKE_API int64_t GetFTPDirectoryEx(int64_t conn, char16_t* buffer, char16_t*) {
  std::lock_guard lock(g_mutex);
  if (!Open(conn)) return FailWith(11);
  const std::u16string& d = State().directory;
  std::copy(d.begin(), d.end(), buffer);
  buffer[d.size()] = u'\0';
  return Succeed();
}
FAKE_API int64_t CreateFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("CreateDirectory " + std::to_string(conn) + " " + Utf8(Text(path)));
  if (!Open(conn)) return FailWith(11);
  if (Fails("CreateDirectory", Text(path))) return Fail("CreateDirectory");
  std::error_code ec;
  if (OnDisk() && !fs::create_directory(OnServer(Text(path)), ec)) return FailWith(ec ? 8 : 99);
  return Succeed();
}
FAKE_API int64_t DeleteFTPDirectoryEx(int64_t conn, const char16_t* name, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("DeleteDirectory " + Utf8(Text(name)));
  if (!Open(conn)) return FailWith(11);
  if (State().cancel) return FailWith(10);
  if (Fails("DeleteDirectory", Text(name))) return Fail("DeleteDirectory");
  std::error_code ec;
  if (OnDisk() && !fs::remove(OnServer(Text(name)), ec)) return FailWith(99);  // not empty, say
  return Succeed();
}
FAKE_API int64_t DeleteFTPFileEx(int64_t conn, const char16_t* name, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("DeleteFile " + Utf8(Text(name)));
  if (!Open(conn)) return FailWith(11);
  if (State().cancel) return FailWith(10);
  if (Fails("DeleteFile", Text(name))) return Fail("DeleteFile");
  if (!State().serverRoot.empty()) {
    std::error_code ec;
    fs::remove(OnServer(Text(name)), ec);
  }
  return Succeed();
}
FAKE_API int64_t RenameFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("Rename " + Utf8(Text(from)) + " " + Utf8(Text(to)));
  if (!Open(conn)) return FailWith(11);
  if (Fails("Rename", Text(from))) return Fail("Rename");
  if (!State().serverRoot.empty()) {
    std::error_code ec;
    if (fs::exists(OnServer(Text(from)), ec)) fs::rename(OnServer(Text(from)), OnServer(Text(to)), ec);
    if (ec) return FailWith(8);
  }
  return Succeed();
}
FAKE_API int64_t ReceiveFTPFileEx(int64_t conn, const char16_t* remote, const char16_t* local, char16_t*) {
  std::unique_lock lock(g_mutex);
  Log("Receive " + Utf8(Text(remote)) + " " + Utf8(Text(local)));
  if (!Open(conn)) return FailWith(11);
  if (LosesConnection("Receive", Text(remote))) return 0;
  if (Fails("Receive", Text(remote))) return Fail("Receive");
  if (State().serverRoot.empty()) return Succeed();
  return Transfer(lock, "Receive", OnServer(Text(remote)), fs::path(Text(local))) ? Succeed() : FailWith(State().cancel ? 10 : 99);
}
FAKE_API int64_t SendFTPFileEx(int64_t conn, const char16_t* local, const char16_t* remote, char16_t*) {
  std::unique_lock lock(g_mutex);
  Log("Send " + Utf8(Text(local)) + " " + Utf8(Text(remote)));
  if (!Open(conn)) return FailWith(11);
  if (LosesConnection("Send", Text(remote))) return 0;
  if (Fails("Send", Text(remote))) return Fail("Send");
  if (State().serverRoot.empty()) return Succeed();
  return Transfer(lock, "Send", fs::path(Text(local)), OnServer(Text(remote))) ? Succeed() : FailWith(State().cancel ? 10 : 99);
}
FAKE_API int64_t CheckFTPConnectionEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  return Open(conn) ? 1 : 0;
}
#ifndef FAKE_FTP_INCOMPLETE
FAKE_API int64_t IsFTPEx(int64_t conn, char16_t*) {
  std::lock_guard lock(g_mutex);
  return Open(conn) ? 1 : 0;
}
#endif

#ifndef FAKE_FTP_CLASSIC
FAKE_API int64_t SetFTPProgressCallbackEx(int64_t conn, int (*fn)(void*, int64_t, int64_t), void* user) {
  std::lock_guard lock(g_mutex);
  if (!Open(conn)) return 0;
  State().progress = fn;
  State().progressUser = user;
  return 1;
}
FAKE_API int64_t FTPLastErrorClassEx(int64_t) {
  std::lock_guard lock(g_mutex);
  return State().lastClass;
}
FAKE_API int64_t CancelFTPEx(int64_t conn, int64_t on) {
  std::lock_guard lock(g_mutex);
  if (conn <= 0) return 0;
  if (on != 0) Log("Cancel");
  State().cancel = on != 0;
  g_gate.notify_all();
  return 1;
}
FAKE_API int64_t SetFTPHostKeyPreferenceEx(int64_t conn, const char16_t* types) {
  std::lock_guard lock(g_mutex);
  if (types != nullptr) Log("HostKeyPreference " + Utf8(Text(types)));
  return conn > 0 ? 1 : 0;
}

// Pulls the bytes in chunks; "Send" failures strike after the first chunk,
// and a safe replace writes a temporary file renamed over the target at the
// end. An offset appends to a file of exactly that size.
FAKE_API int64_t SendFTPStreamEx(int64_t conn, int64_t (*read)(void*, char*, int64_t), void* user, int64_t size,
                                 const char16_t* remote, int64_t offset, int64_t flags, char16_t*) {
  std::unique_lock lock(g_mutex);
  const std::u16string target = Text(remote);
  Log("Send - " + Utf8(target) + " " + std::to_string(size) + " " + std::to_string(offset) + " " +
      std::to_string(flags));
  if (!Open(conn)) return FailWith(11);
  if (State().cancel) return FailWith(10);
  if (LosesConnection("Send", target)) return 0;
  const bool safe = (flags & 1) != 0;
  if (safe && offset > 0) return FailWith(99);
  const fs::path final = State().serverRoot.empty() ? fs::path() : OnServer(target);
  const fs::path written = safe && !final.empty() ? final.parent_path() / ".fake-upload.part" : final;
  std::error_code ec;
  if (offset > 0 && !final.empty() && static_cast<int64_t>(fs::file_size(final, ec)) != offset) return FailWith(99);
  std::FILE* out = written.empty() ? nullptr : std::fopen(written.c_str(), offset > 0 ? "ab" : "wb");
  if (!written.empty() && out == nullptr) return Fail("Send");
  // A negative chunk asks for pieces of changing size, small ones among them.
  static const int64_t kVarying[] = {65536, 100, 4096, 1, 70001, 4095};
  const bool varying = State().chunk < 0;
  std::vector<char> buffer(static_cast<size_t>(varying ? 70001 : State().chunk));
  int64_t chunks = 0, done = 0;
  int64_t result = 1;
  for (;;) {
    const int64_t ask = varying ? kVarying[chunks % 6] : static_cast<int64_t>(buffer.size());
    lock.unlock();
    const int64_t got = read(user, buffer.data(), ask);
    lock.lock();
    if (got < 0 || got > ask) { result = FailWith(13); break; }
    if (got == 0) break;
    if (out != nullptr && std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out) != static_cast<size_t>(got)) {
      result = Fail("Send");
      break;
    }
    done += got;
    if (CutHere(done)) { result = FailWith(11); break; }
    if (++chunks == 1) {
      std::fflush(out);
      if (Fails("Send", target)) { result = Fail("Send"); break; }
      if (!PassGate(lock, "Send")) { result = FailWith(10); break; }
    }
    if (State().cancel) { result = FailWith(10); break; }
  }
  if (out != nullptr) std::fclose(out);
  if (result == 0) {
    if (safe && !written.empty()) fs::remove(written, ec);
    return 0;
  }
  if (size >= 0 && done != size) return FailWith(13);
  if (safe && !written.empty()) {
    if (Fails("ReplaceRename", u"*")) {
      fs::remove(written, ec);
      return FailWith(14);
    }
    fs::rename(written, final, ec);
  }
  return Succeed();
}

// Hands the file over in chunks from offset on; "Receive" failures strike
// after the first.
FAKE_API int64_t ReceiveFTPStreamEx(int64_t conn, const char16_t* remote, int64_t offset,
                                    int64_t (*write)(void*, const char*, int64_t), void* user, char16_t*) {
  std::unique_lock lock(g_mutex);
  const std::u16string source = Text(remote);
  Log("Receive " + Utf8(source) + " - " + std::to_string(offset));
  if (!Open(conn)) return FailWith(11);
  if (State().cancel) return FailWith(10);
  if (LosesConnection("Receive", source)) return 0;
  if (State().serverRoot.empty()) return Fails("Receive", source) ? Fail("Receive") : Succeed();
  std::FILE* in = std::fopen(OnServer(source).c_str(), "rb");
  if (in == nullptr) return FailWith(7);
  if (std::fseek(in, 0, SEEK_END) != 0 || std::ftell(in) < offset || std::fseek(in, offset, SEEK_SET) != 0) {
    std::fclose(in);
    return FailWith(99);
  }
  static const size_t kVarying[] = {65536, 100, 4096, 1, 70001, 4095};
  const bool varying = State().chunk < 0;
  std::vector<char> buffer(varying ? 70001 : static_cast<size_t>(State().chunk));
  int64_t chunks = 0, done = 0;
  int64_t result = 1;
  for (;;) {
    const size_t got = std::fread(buffer.data(), 1, varying ? kVarying[chunks % 6] : buffer.size(), in);
    if (got == 0) break;
    lock.unlock();
    const int64_t taken = write(user, buffer.data(), static_cast<int64_t>(got));
    lock.lock();
    if (taken != static_cast<int64_t>(got)) { result = FailWith(13); break; }
    done += static_cast<int64_t>(got);
    if (CutHere(done)) { result = FailWith(11); break; }
    if (++chunks == 1) {
      if (Fails("Receive", source)) { result = Fail("Receive"); break; }
      if (!PassGate(lock, "Receive")) { result = FailWith(10); break; }
    }
    if (State().cancel) { result = FailWith(10); break; }
  }
  std::fclose(in);
  return result == 0 ? 0 : Succeed();
}

FAKE_API int64_t FTPFileSizeEx(int64_t conn, const char16_t* path, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("Size " + Utf8(Absolute(Text(path))));
  if (!Open(conn)) return FailWith(11) - 1;
  if (State().cancel) return FailWith(10) - 1;
  std::error_code ec;
  const auto size = State().serverRoot.empty() ? 0 : fs::file_size(OnServer(Text(path)), ec);
  if (ec) return FailWith(7) - 1;
  return Succeed(static_cast<int64_t>(size));
}

FAKE_API int64_t ReplaceFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t*) {
  std::lock_guard lock(g_mutex);
  Log("Replace " + Utf8(Text(from)) + " " + Utf8(Text(to)));
  if (!Open(conn)) return FailWith(11);
  if (Fails("Replace", Text(to))) return FailWith(14);
  std::error_code ec;
  if (!State().serverRoot.empty()) fs::rename(OnServer(Text(from)), OnServer(Text(to)), ec);
  return ec ? FailWith(14) : Succeed();
}
#endif
