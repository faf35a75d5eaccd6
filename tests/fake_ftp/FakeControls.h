#pragma once
// The scripting side of the fake backend (libfake-ftp.so beside the tests):
// its listing, the calls that fail, and the log of every call.

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>
#include <cstdint>

struct FakeControls {
  QLibrary library{QCoreApplication::applicationDirPath() + QStringLiteral("/libfake-ftp")};
  void (*reset)() = nullptr;
  void (*addEntry)(const char16_t*, int64_t, int64_t, int64_t) = nullptr;
  void (*fail)(const char*, const char16_t*) = nullptr;
  const char* (*log)() = nullptr;
  void (*setServerRoot)(const char16_t*) = nullptr;  // Send and Receive then copy files there

  FakeControls() {
    reset = reinterpret_cast<decltype(reset)>(library.resolve("FakeFtpReset"));
    addEntry = reinterpret_cast<decltype(addEntry)>(library.resolve("FakeFtpAddEntry"));
    fail = reinterpret_cast<decltype(fail)>(library.resolve("FakeFtpFail"));
    log = reinterpret_cast<decltype(log)>(library.resolve("FakeFtpLog"));
    setServerRoot = reinterpret_cast<decltype(setServerRoot)>(library.resolve("FakeFtpSetServerRoot"));
  }
  static const char16_t* Text(const QString& text) { return reinterpret_cast<const char16_t*>(text.utf16()); }
  void Add(const QString& name, int64_t size, int64_t date, int64_t type) { addEntry(Text(name), size, date, type); }
  void Fail(const char* operation, const QString& argument) { fail(operation, Text(argument)); }
  QStringList Log() const { return QString::fromUtf8(log()).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};
