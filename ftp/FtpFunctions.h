#pragma once
// The backend's functions as the program calls them: the 20 every backend
// has, and the optional ones a newer backend adds (null when missing). Pure:
// no widgets, no application state, so the engine and its tests use it alone.

#include <QLibrary>
#include <QString>
#include <cstdint>

#include "ftp/backend/TarnholmFtp.h"

// Why the last call on a connection failed, as the backend reports it
// (TarnholmErrorClass), plus "cannot say" for a backend without the function.
enum FtpErrorClass : int64_t {
  kFtpErrorUnknown = -1,  // the backend cannot say (it lacks the function)
  kFtpErrorNone = 0,
  kFtpErrorLoginRefused = 1,
  kFtpErrorHostUnknown = 2,
  kFtpErrorRefused = 3,
  kFtpErrorTimeout = 4,
  kFtpErrorWrongProtocol = 5,
  kFtpErrorTrustRefused = 6,
  kFtpErrorNotFound = 7,
  kFtpErrorPermission = 8,
  kFtpErrorDiskFull = 9,
  kFtpErrorCancelled = 10,
  kFtpErrorConnectionLost = 11,
  kFtpErrorListingTooLarge = 12,
  kFtpErrorCallback = 13,
  kFtpErrorReplaceRefused = 14,
  kFtpErrorOther = 99,
};

// Stream callbacks: bytes pulled for a send (0 at the end, -1 aborts) and
// bytes pushed by a receive (must answer length, anything else aborts).
using FtpReadFn = TarnholmReadFn;
using FtpWriteFn = TarnholmWriteFn;

// Flag of SendFTPStreamEx: write to a temporary name beside the target and
// rename it over the target only once complete.
inline constexpr int64_t kSendReplaceSafely = kTarnholmSendReplaceSafely;

struct FtpFunctions {
  decltype(&::OpenFTPEx) OpenFTPEx = nullptr;
  decltype(&::CloseFTPEx) CloseFTPEx = nullptr;
  decltype(&::ExamineFTPDirectoryEx) ExamineFTPDirectoryEx = nullptr;
  decltype(&::NextFTPDirectoryEntryEx) NextFTPDirectoryEntryEx = nullptr;
  decltype(&::FTPDirectoryEntryNameEx) FTPDirectoryEntryNameEx = nullptr;
  decltype(&::FTPDirectoryEntrySizeEx) FTPDirectoryEntrySizeEx = nullptr;
  decltype(&::FTPDirectoryEntryDateEx) FTPDirectoryEntryDateEx = nullptr;
  decltype(&::FTPDirectoryEntryTypeEx) FTPDirectoryEntryTypeEx = nullptr;
  decltype(&::FinishFTPDirectoryEx) FinishFTPDirectoryEx = nullptr;
  decltype(&::SetFTPDirectoryEx) SetFTPDirectoryEx = nullptr;
  decltype(&::CreateFTPDirectoryEx) CreateFTPDirectoryEx = nullptr;
  decltype(&::DeleteFTPDirectoryEx) DeleteFTPDirectoryEx = nullptr;
  decltype(&::DeleteFTPFileEx) DeleteFTPFileEx = nullptr;
  decltype(&::RenameFTPFileEx) RenameFTPFileEx = nullptr;
  decltype(&::ReceiveFTPFileEx) ReceiveFTPFileEx = nullptr;
  decltype(&::SendFTPFileEx) SendFTPFileEx = nullptr;
  decltype(&::CheckFTPConnectionEx) CheckFTPConnectionEx = nullptr;
  decltype(&::IsFTPEx) IsFTPEx = nullptr;
  decltype(&::GetFTPDirectoryEx) GetFTPDirectoryEx = nullptr;
  decltype(&::FTPDirectoryEntryAttributesEx) FTPDirectoryEntryAttributesEx = nullptr;

  // Optional.
  decltype(&::SetFTPProgressCallbackEx) SetFTPProgressCallbackEx = nullptr;
  decltype(&::SetFTPTrustCallbackEx) SetFTPTrustCallbackEx = nullptr;
  decltype(&::FTPLastErrorClassEx) FTPLastErrorClassEx = nullptr;
  decltype(&::SendFTPStreamEx) SendFTPStreamEx = nullptr;
  decltype(&::ReceiveFTPStreamEx) ReceiveFTPStreamEx = nullptr;
  decltype(&::CancelFTPEx) CancelFTPEx = nullptr;
  decltype(&::SetFTPHostKeyPreferenceEx) SetFTPHostKeyPreferenceEx = nullptr;
  decltype(&::FTPFileSizeEx) FTPFileSizeEx = nullptr;
  decltype(&::ReplaceFTPFileEx) ReplaceFTPFileEx = nullptr;

  // Both stream functions: files go straight between disk and wire.
  [[nodiscard]] bool Streams() const { return SendFTPStreamEx != nullptr && ReceiveFTPStreamEx != nullptr; }
  // Everything an interrupted transfer needs to go on where it stopped.
  [[nodiscard]] bool Resumes() const {
    return Streams() && FTPFileSizeEx != nullptr && ReplaceFTPFileEx != nullptr && CancelFTPEx != nullptr;
  }
};

// Looks the functions up in a loaded library. False when one of the 20 is
// missing; the optional ones are simply left null.
[[nodiscard]] bool ResolveFtpFunctions(QLibrary& library, FtpFunctions& functions);

// The class of the last failed call on conn; kFtpErrorUnknown without the function.
[[nodiscard]] int64_t LastErrorClass(const FtpFunctions& ftp, int64_t conn);

static_assert(int64_t{kFtpErrorCancelled} == int64_t{kTarnholmErrorCancelled} &&
                  int64_t{kFtpErrorReplaceRefused} == int64_t{kTarnholmErrorReplaceRefused} &&
                  int64_t{kFtpErrorConnectionLost} == int64_t{kTarnholmErrorConnectionLost} &&
                  int64_t{kFtpErrorOther} == int64_t{kTarnholmErrorOther},
              "the program's error classes are the backend's");

// The backend takes names as UTF-16 text; QString holds them so already.
inline const char16_t* Utf16(const QString& text) { return reinterpret_cast<const char16_t*>(text.utf16()); }
