#pragma once
// Why an operation failed: a class the caller can act on, and an English text
// for the message buffer. Each layer fills it once, where the library's own
// code (CURLcode, FTP reply, SFTP status, errno) is still known; the values
// are those of TarnholmErrorClass.

#include <cstdint>
#include <string>

namespace tarnholm::backend {

enum class ErrorClass : int64_t {
  None = 0,
  LoginRefused = 1,
  HostUnknown = 2,
  Refused = 3,
  Timeout = 4,
  WrongProtocol = 5,
  TrustRefused = 6,
  NotFound = 7,
  Permission = 8,
  DiskFull = 9,
  Cancelled = 10,
  ConnectionLost = 11,
  ListingTooLarge = 12,
  Callback = 13,
  ReplaceRefused = 14,
  Other = 99,
};

struct Failure {
  ErrorClass cls = ErrorClass::None;
  std::string text;
};

// Records why and gives false, so that a failing path reads
// `return Fail(error, ErrorClass::NotFound, "...");`.
inline bool Fail(Failure& failure, ErrorClass cls, std::string text) {
  failure.cls = cls;
  failure.text = std::move(text);
  return false;
}

}  // namespace tarnholm::backend
