#pragma once
// The scripting side of the fake backend (libfake-ftp.so beside the tests):
// its listing, the calls that fail and with which error class, the gate a
// call can be held at, and the log of every call.

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>
#include <cstdint>

struct FakeControls {
  QLibrary library;
  void (*reset)() = nullptr;
  void (*addEntry)(const char16_t*, int64_t, int64_t, int64_t) = nullptr;
  void (*fail)(const char*, const char16_t*) = nullptr;
  void (*setErrorClass)(const char*, int64_t) = nullptr;
  const char* (*log)() = nullptr;
  void (*setServerRoot)(const char16_t*) = nullptr;  // transfers then move files below it
  void (*setChunk)(int64_t) = nullptr;
  void (*hold)(const char*) = nullptr;
  int (*waitHeld)(int64_t) = nullptr;
  void (*release)() = nullptr;
  void (*listFromRoot)(int) = nullptr;  // listings, folders and transfers below the server root
  void (*cutAfter)(int64_t) = nullptr;  // the next stream loses the connection after that many bytes

  // The library in the directory of the test binary, or at a full path.
  explicit FakeControls(const char* name = "fake-ftp") : FakeControls(Beside(name), 0) {}
  FakeControls(const QString& path, int) : library(path) {
    reset = reinterpret_cast<decltype(reset)>(library.resolve("FakeFtpReset"));
    addEntry = reinterpret_cast<decltype(addEntry)>(library.resolve("FakeFtpAddEntry"));
    fail = reinterpret_cast<decltype(fail)>(library.resolve("FakeFtpFail"));
    setErrorClass = reinterpret_cast<decltype(setErrorClass)>(library.resolve("FakeFtpSetErrorClass"));
    log = reinterpret_cast<decltype(log)>(library.resolve("FakeFtpLog"));
    setServerRoot = reinterpret_cast<decltype(setServerRoot)>(library.resolve("FakeFtpSetServerRoot"));
    setChunk = reinterpret_cast<decltype(setChunk)>(library.resolve("FakeFtpSetChunk"));
    hold = reinterpret_cast<decltype(hold)>(library.resolve("FakeFtpHold"));
    waitHeld = reinterpret_cast<decltype(waitHeld)>(library.resolve("FakeFtpWaitHeld"));
    release = reinterpret_cast<decltype(release)>(library.resolve("FakeFtpRelease"));
    listFromRoot = reinterpret_cast<decltype(listFromRoot)>(library.resolve("FakeFtpListFromRoot"));
    cutAfter = reinterpret_cast<decltype(cutAfter)>(library.resolve("FakeFtpCutAfter"));
  }
  static QString Beside(const char* name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lib") + QString::fromLatin1(name);
  }
  static const char16_t* Text(const QString& text) { return reinterpret_cast<const char16_t*>(text.utf16()); }
  void Add(const QString& name, int64_t size, int64_t date, int64_t type) { addEntry(Text(name), size, date, type); }
  void Fail(const char* operation, const QString& argument) { fail(operation, Text(argument)); }
  QStringList Log() const { return QString::fromUtf8(log()).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};
