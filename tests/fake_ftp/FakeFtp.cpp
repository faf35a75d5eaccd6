// A stand-in for the FTP backend with the same 20 functions: a scripted
// directory listing and a log of every call, so the program's side can be
// tested without a server and with listings no real server would send.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <map>
#include <string>
#include <vector>

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {

struct Entry {
  std::u16string name;
  int64_t size, date, type;
};

struct Fake {
  std::vector<Entry> entries;
  int64_t cursor = -1;
  bool examining = false;
  int64_t openConnection = 0;
  std::u16string directory = u"/";
  std::map<std::string, std::u16string> failures;  // operation -> argument that fails ("*" any)
  std::string log;
  std::u16string serverRoot;  // when set, Send and Receive copy files below it
  int (*progress)(void*, int64_t, int64_t) = nullptr;
  void* progressUser = nullptr;
};

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

const Entry* Current() {
  Fake& f = State();
  if (!f.examining || f.cursor < 0 || f.cursor >= static_cast<int64_t>(f.entries.size())) return nullptr;
  return &f.entries[f.cursor];
}

// Copies a file as a transfer would, reporting progress in a few steps.
bool Transfer(const std::u16string& from, const std::u16string& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto size = fs::file_size(fs::path(from), ec);
  if (ec) return false;
  Fake& f = State();
  if (f.progress != nullptr) {
    f.progress(f.progressUser, 0, static_cast<int64_t>(size));
    f.progress(f.progressUser, static_cast<int64_t>(size / 2), static_cast<int64_t>(size));
  }
  fs::copy_file(fs::path(from), fs::path(to), fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  if (f.progress != nullptr) f.progress(f.progressUser, static_cast<int64_t>(size), static_cast<int64_t>(size));
  return true;
}

// "LoseOn<operation>" drops the connection during that operation, as a
// vanished server would: it fails and so does every later call.
bool LosesConnection(const std::string& operation, const std::u16string& argument) {
  if (!Fails("LoseOn" + operation, argument)) return false;
  State().openConnection = 0;
  State().progress = nullptr;
  return true;
}

}  // namespace

// Scripting interface for the tests.
FAKE_API void FakeFtpReset() { State() = Fake{}; }
FAKE_API void FakeFtpAddEntry(const char16_t* name, int64_t size, int64_t date, int64_t type) {
  State().entries.push_back({Text(name), size, date, type});
}
FAKE_API void FakeFtpFail(const char* operation, const char16_t* argument) {
  State().failures[operation] = Text(argument);
}
FAKE_API const char* FakeFtpLog() { return State().log.c_str(); }
FAKE_API void FakeFtpSetServerRoot(const char16_t* directory) { State().serverRoot = Text(directory); }

FAKE_API int64_t OpenFTPEx(int64_t conn, int64_t protocol, const char16_t* host, int64_t port, const char16_t* user,
                           const char16_t*, int64_t mode, char16_t*) {
  Log("Open " + std::to_string(protocol) + " " + Utf8(Text(host)) + " " + std::to_string(port) + " " +
      Utf8(Text(user)) + " " + std::to_string(mode));
  if (Fails("Open", u"*")) return 0;
  State().openConnection = conn;
  return 1;
}
FAKE_API int64_t CloseFTPEx(int64_t conn, char16_t*) {
  Log("Close");
  if (!Open(conn)) return 0;
  State().openConnection = 0;
  State().progress = nullptr;
  return 1;
}
FAKE_API int64_t ExamineFTPDirectoryEx(int64_t conn, char16_t*) {
  if (!Open(conn) || Fails("Examine", u"*")) return 0;
  State().examining = true;
  State().cursor = -1;
  return 1;
}
FAKE_API int64_t NextFTPDirectoryEntryEx(int64_t conn, char16_t*) {
  if (!Open(conn) || !State().examining) return 0;
  return ++State().cursor < static_cast<int64_t>(State().entries.size()) ? 1 : 0;
}
FAKE_API int64_t FTPDirectoryEntryNameEx(int64_t conn, char16_t* name, char16_t*) {
  const Entry* e = Current();
  if (!Open(conn) || e == nullptr) return 0;
  const size_t n = std::min<size_t>(e->name.size(), 259);
  std::copy_n(e->name.begin(), n, name);
  name[n] = u'\0';
  return 1;
}
FAKE_API int64_t FTPDirectoryEntrySizeEx(int64_t conn, char16_t*) {
  const Entry* e = Current();
  return Open(conn) && e != nullptr ? e->size : 0;
}
FAKE_API int64_t FTPDirectoryEntryDateEx(int64_t conn, char16_t*) {
  const Entry* e = Current();
  return Open(conn) && e != nullptr ? e->date : -1;
}
FAKE_API int64_t FTPDirectoryEntryTypeEx(int64_t conn, char16_t*) {
  const Entry* e = Current();
  return Open(conn) && e != nullptr ? e->type : 0;
}
FAKE_API int64_t FTPDirectoryEntryAttributesEx(int64_t, char16_t*) { return 0; }
FAKE_API int64_t FinishFTPDirectoryEx(int64_t conn, char16_t*) {
  if (!Open(conn) || !State().examining) return 0;
  State().examining = false;
  return 1;
}
FAKE_API int64_t SetFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t*) {
  Log("SetDirectory " + Utf8(Text(path)));
  if (!Open(conn) || Fails("SetDirectory", Text(path))) return 0;
  State().directory = Text(path);
  return 1;
}
FAKE_API int64_t GetFTPDirectoryEx(int64_t conn, char16_t* buffer, char16_t*) {
  if (!Open(conn)) return 0;
  const std::u16string& d = State().directory;
  std::copy(d.begin(), d.end(), buffer);
  buffer[d.size()] = u'\0';
  return 1;
}
FAKE_API int64_t CreateFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t*) {
  Log("CreateDirectory " + std::to_string(conn) + " " + Utf8(Text(path)));
  return Open(conn) && !Fails("CreateDirectory", Text(path)) ? 1 : 0;
}
FAKE_API int64_t DeleteFTPDirectoryEx(int64_t conn, const char16_t* name, char16_t*) {
  Log("DeleteDirectory " + Utf8(Text(name)));
  return Open(conn) && !Fails("DeleteDirectory", Text(name)) ? 1 : 0;
}
FAKE_API int64_t DeleteFTPFileEx(int64_t conn, const char16_t* name, char16_t*) {
  Log("DeleteFile " + Utf8(Text(name)));
  return Open(conn) && !Fails("DeleteFile", Text(name)) ? 1 : 0;
}
FAKE_API int64_t RenameFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t*) {
  Log("Rename " + Utf8(Text(from)) + " " + Utf8(Text(to)));
  return Open(conn) && !Fails("Rename", Text(from)) ? 1 : 0;
}
FAKE_API int64_t ReceiveFTPFileEx(int64_t conn, const char16_t* remote, const char16_t* local, char16_t*) {
  Log("Receive " + Utf8(Text(remote)) + " " + Utf8(Text(local)));
  if (!Open(conn) || Fails("Receive", Text(remote)) || LosesConnection("Receive", Text(remote))) return 0;
  return State().serverRoot.empty() || Transfer(State().serverRoot + Text(remote), Text(local)) ? 1 : 0;
}
FAKE_API int64_t SendFTPFileEx(int64_t conn, const char16_t* local, const char16_t* remote, char16_t*) {
  Log("Send " + Utf8(Text(local)) + " " + Utf8(Text(remote)));
  if (!Open(conn) || Fails("Send", Text(remote)) || LosesConnection("Send", Text(remote))) return 0;
  return State().serverRoot.empty() || Transfer(Text(local), State().serverRoot + Text(remote)) ? 1 : 0;
}
FAKE_API int64_t SetFTPProgressCallbackEx(int64_t conn, int (*fn)(void*, int64_t, int64_t), void* user) {
  if (!Open(conn)) return 0;
  State().progress = fn;
  State().progressUser = user;
  return 1;
}
FAKE_API int64_t CheckFTPConnectionEx(int64_t conn, char16_t*) { return Open(conn) ? 1 : 0; }
#ifndef FAKE_FTP_INCOMPLETE  // the incomplete variant lacks one of the 20 functions
FAKE_API int64_t IsFTPEx(int64_t conn, char16_t*) { return Open(conn) ? 1 : 0; }
#endif
