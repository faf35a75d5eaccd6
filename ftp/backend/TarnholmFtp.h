#pragma once
// C interface of libtarnholm-ftp: FTP, FTPS (implicit and explicit) and SFTP
// behind the 20 functions the program looks up by name, plus a progress hook,
// trust questions, error classes, streaming transfers and cancel.
//
// Common rules for every function:
// - conn is the connection number the caller chose in OpenFTPEx (1 in the
//   program). A number that is not open gives 0 and touches nothing.
// - Text arguments are NUL-terminated UTF-16; the library converts them to
//   UTF-8 for the server. A null pointer or invalid UTF-16 gives 0.
// - msg is the caller's buffer of 1024 char16_t plus NUL, or null. On failure
//   the library writes its error text there (at most 1024 characters + NUL).
// - Results are 0 for failure, nonzero for success unless stated otherwise.
// - Server paths: absolute paths begin with "/"; a path without a leading "/"
//   is taken relative to the connection's current directory, which the
//   library keeps (it starts as the login directory).
// - Calls are synchronous and serialised by one lock; they must not be made
//   from inside the progress, read, write or trust callbacks. CancelFTPEx and
//   FTPLastErrorClassEx take no part in that lock: any thread may call them
//   at any time.

#include <cstdint>

#if defined(_WIN32)
#define TARNHOLM_FTP_API __declspec(dllexport)
#else
#define TARNHOLM_FTP_API __attribute__((visibility("default")))
#endif

extern "C" {

// protocol: 1 FTP, 2 SFTP, 3 FTPS implicit, 4 FTPS explicit (TLS required for
// control and data). mode: 2 passive (the only mode). Nonzero only after a
// real login succeeded. Opening a number that is already open closes it first.
TARNHOLM_FTP_API int64_t OpenFTPEx(int64_t conn, int64_t protocol, const char16_t* host, int64_t port,
                                   const char16_t* user, const char16_t* password, int64_t mode,
                                   char16_t* msg);
// Closes the connection and forgets it; waits at most 2 s for the server to
// answer the goodbye. Nonzero when it was open.
TARNHOLM_FTP_API int64_t CloseFTPEx(int64_t conn, char16_t* msg);

// Reads the whole current directory; nonzero when the listing started. The
// entries are then visited with NextFTPDirectoryEntryEx (0 at the end) and
// read with the entry functions below; "." and ".." come as the server sends them.
TARNHOLM_FTP_API int64_t ExamineFTPDirectoryEx(int64_t conn, char16_t* msg);
TARNHOLM_FTP_API int64_t NextFTPDirectoryEntryEx(int64_t conn, char16_t* msg);
// name: caller's buffer of 260 char16_t; receives the name, cut to 259 + NUL
// (never inside a surrogate pair).
TARNHOLM_FTP_API int64_t FTPDirectoryEntryNameEx(int64_t conn, char16_t* name, char16_t* msg);
// Size in bytes (64-bit); 0 also when there is no current entry.
TARNHOLM_FTP_API int64_t FTPDirectoryEntrySizeEx(int64_t conn, char16_t* msg);
// Modification time as local wall-clock fields counted in seconds since
// 1970-01-01 00:00:00 without zone shift, 0..2147483647; -1 when unknown.
TARNHOLM_FTP_API int64_t FTPDirectoryEntryDateEx(int64_t conn, char16_t* msg);
// 1 file, 2 directory, 0 other. A symbolic link counts as the type of its
// target when the listing tells it, else as a file.
TARNHOLM_FTP_API int64_t FTPDirectoryEntryTypeEx(int64_t conn, char16_t* msg);
// Entry attributes: 0x10 for a directory, 0x80 for a file, 0 otherwise;
// 0x400 added when the entry is a symbolic link (as the listing tells it).
TARNHOLM_FTP_API int64_t FTPDirectoryEntryAttributesEx(int64_t conn, char16_t* msg);
// Ends the listing and frees it. Nonzero when a listing was open.
TARNHOLM_FTP_API int64_t FinishFTPDirectoryEx(int64_t conn, char16_t* msg);

// path: "..", an absolute path, or a name in the current directory. Nonzero
// when the server confirmed the directory; then it is the current directory.
TARNHOLM_FTP_API int64_t SetFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t* msg);
// buffer: caller's 260 char16_t; receives the current directory ("/" at the end).
TARNHOLM_FTP_API int64_t GetFTPDirectoryEx(int64_t conn, char16_t* buffer, char16_t* msg);
TARNHOLM_FTP_API int64_t CreateFTPDirectoryEx(int64_t conn, const char16_t* path, char16_t* msg);
TARNHOLM_FTP_API int64_t DeleteFTPDirectoryEx(int64_t conn, const char16_t* name, char16_t* msg);
TARNHOLM_FTP_API int64_t DeleteFTPFileEx(int64_t conn, const char16_t* name, char16_t* msg);
TARNHOLM_FTP_API int64_t RenameFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to,
                                         char16_t* msg);
// local: a local path (UTF-16, converted to the file system's UTF-8). The file
// is written under a temporary name beside the target and renamed at the end,
// so a failed receive leaves no partial file behind.
TARNHOLM_FTP_API int64_t ReceiveFTPFileEx(int64_t conn, const char16_t* remote, const char16_t* local,
                                          char16_t* msg);
TARNHOLM_FTP_API int64_t SendFTPFileEx(int64_t conn, const char16_t* local, const char16_t* remote,
                                       char16_t* msg);
// Asks the server whether the connection still answers.
TARNHOLM_FTP_API int64_t CheckFTPConnectionEx(int64_t conn, char16_t* msg);
// Nonzero when conn is open with FTP or FTPS, 0 for SFTP or a closed number.
TARNHOLM_FTP_API int64_t IsFTPEx(int64_t conn, char16_t* msg);

// Called during SendFTPFileEx and ReceiveFTPFileEx (and the stream functions)
// with the bytes moved and the expected total (-1 when unknown); a nonzero
// return aborts the transfer (class 10, as a cancel).
// fn null removes the callback. Nonzero when conn is open.
typedef int (*TarnholmProgressFn)(void* user, int64_t done, int64_t total);
TARNHOLM_FTP_API int64_t SetFTPProgressCallbackEx(int64_t conn, TarnholmProgressFn fn, void* user);

// A server identity the library could not verify by itself. Every text is
// NUL-terminated UTF-16 owned by the library, valid only during the call;
// texts that do not apply to the kind are empty, never null.
struct TarnholmTrustQuestion {
  const char16_t* host;         // as given to OpenFTPEx
  int64_t port;
  int64_t kind;                 // 1 FTPS certificate, 2 SSH host key
  const char16_t* fingerprint;  // 1: SHA-256 of the certificate, "AB:CD:..."; 2: "SHA256:..." as OpenSSH prints it
  const char16_t* publicKey;    // 2: "ssh-ed25519 AAAA..." as a known-hosts line has it
  const char16_t* subject;      // 1: the certificate's subject and issuer, RFC 2253
  const char16_t* issuer;
  const char16_t* validFrom;    // 1: "YYYY-MM-DD HH:MM:SS UTC"
  const char16_t* validUntil;
  const char16_t* reason;       // 1: why it did not verify (the TLS library's English text)
  int64_t reasonCode;           // 1: why the certificate did not verify: 0 verified/none, 1 self-signed,
                                // 2 unknown issuer, 3 expired, 4 not yet valid, 5 name does not match
                                // the host, 6 other
};
// Answers 1 to go on with this identity, 0 to end the connect. Called inside
// OpenFTPEx (and, for a certificate not accepted yet, in a later data
// connection) before the login is sent; it may block on the user but must
// not call the library (CancelFTPEx and FTPLastErrorClassEx excepted; a cancel
// request made meanwhile takes effect when it returns). FTPS certificates that verify against the system's
// authorities (plus the PEM file named by the environment variable
// TARNHOLM_EXTRA_CA_FILE) for the host are never asked about; SSH host keys
// always are, as the library remembers none.
typedef int (*TarnholmTrustFn)(void* user, const TarnholmTrustQuestion* question);
// Registers fn for connections opened under the number conn from now on
// (conn need not be open; the registration outlives CloseFTPEx). fn null
// removes it: then unverified certificates and all host keys are refused.
// Nonzero for conn > 0.
TARNHOLM_FTP_API int64_t SetFTPTrustCallbackEx(int64_t conn, TarnholmTrustFn fn, void* user);

// types: blank-separated known-hosts key types ("ssh-rsa ecdsa-sha2-nistp256
// ssh-ed25519") that the caller already trusts for the host of the next
// OpenFTPEx on conn. The SSH key exchange offers the host-key algorithms of
// those types first (for "ssh-rsa": rsa-sha2-512, rsa-sha2-256, ssh-rsa), as
// OpenSSH does, so a server with several host keys shows the remembered one.
// Null or empty: the library's default order. Kept like the trust callback
// (outlives CloseFTPEx). Nonzero for conn > 0.
TARNHOLM_FTP_API int64_t SetFTPHostKeyPreferenceEx(int64_t conn, const char16_t* types);

// Why the last call on a connection number failed.
enum TarnholmErrorClass {
  kTarnholmErrorNone = 0,
  kTarnholmErrorLoginRefused = 1,      // user or password refused
  kTarnholmErrorHostUnknown = 2,       // the name does not resolve
  kTarnholmErrorRefused = 3,           // nothing listens on that port / connection refused / unreachable
  kTarnholmErrorTimeout = 4,           // no answer in time (connect, reply, or a stalled transfer)
  kTarnholmErrorWrongProtocol = 5,     // the port speaks another protocol (SSH greeting to FTP, FTP
                                       // greeting to SFTP, TLS expected ...)
  kTarnholmErrorTrustRefused = 6,      // certificate or host key refused (by the trust callback or verification)
  kTarnholmErrorNotFound = 7,          // server folder or file not found
  kTarnholmErrorPermission = 8,        // permission denied on the server
  kTarnholmErrorDiskFull = 9,          // no space left (server 452/552, SSH_FX_NO_SPACE / quota)
  kTarnholmErrorCancelled = 10,        // CancelFTPEx
  kTarnholmErrorConnectionLost = 11,   // the connection broke
  kTarnholmErrorListingTooLarge = 12,  // more than 1,000,000 entries or 256 MiB of entry memory (or
                                       // an FTP listing text beyond 1 GiB)
  kTarnholmErrorCallback = 13,         // the caller's read or write callback refused
  kTarnholmErrorReplaceRefused = 14,   // the server refused to rename the finished upload over the target
  kTarnholmErrorOther = 99,
};
// The class of the last failed call made with this number, a failed
// OpenFTPEx included (the number need not be open); kTarnholmErrorNone after
// a call that succeeded. Thread-safe.
TARNHOLM_FTP_API int64_t FTPLastErrorClassEx(int64_t conn);

// Pulls the bytes to send: fills buffer with up to capacity bytes and returns
// how many; 0 at the end; -1 aborts the send (class 13).
typedef int64_t (*TarnholmReadFn)(void* user, char* buffer, int64_t capacity);
// Takes received bytes in order; returns length when all were taken; anything
// else aborts the receive (class 13).
typedef int64_t (*TarnholmWriteFn)(void* user, const char* data, int64_t length);

// Bit of SendFTPStreamEx's flags.
enum { kTarnholmSendReplaceSafely = 1 };

// Sends `size` bytes (-1 when unknown) pulled from read to `remote`.
// flags & kTarnholmSendReplaceSafely: the bytes go to a fresh temporary name
//   in remote's folder, which is renamed over remote only after the last byte
//   was confirmed by the server (SFTP: the POSIX rename extension where the
//   server offers it; FTP: RNFR/RNTO). A failed or cancelled send removes only
//   that temporary file; a refused rename leaves remote as it was, removes the
//   temporary file and fails with class 14.
// Without that flag, remote is created or truncated and written directly.
// offset > 0 (resume, only without kTarnholmSendReplaceSafely): remote holds
//   exactly `offset` bytes already; read delivers the bytes from offset on and
//   they are appended. A remote of another size is left alone and the send
//   fails (class 99).
// A read that ends before `size` bytes, or gives more than it was asked for,
// fails the send with class 13.
// The progress callback is called as for SendFTPFileEx; done counts from
// offset (it ends at offset + size), total is offset + size (-1 when size is
// unknown).
TARNHOLM_FTP_API int64_t SendFTPStreamEx(int64_t conn, TarnholmReadFn read, void* user, int64_t size,
                                         const char16_t* remote, int64_t offset, int64_t flags,
                                         char16_t* msg);
// Receives remote from byte `offset` on (0: the whole file) and hands the
// bytes to write, in order. The library writes no local file. Progress as for
// ReceiveFTPFileEx, done and total counted from the start of the file; over
// FTP a receive from the start does not ask the server for the size first
// (the caller has it from the listing; a round trip per file saved), so its
// total is -1. An offset equal to the file's size receives nothing and
// succeeds; one beyond it fails.
TARNHOLM_FTP_API int64_t ReceiveFTPStreamEx(int64_t conn, const char16_t* remote, int64_t offset,
                                            TarnholmWriteFn write, void* user, char16_t* msg);

// The size in bytes of the server file at path (absolute, or a name in the
// current directory), also of one the listing does not show (a name starting
// with "."); -1 when it cannot be told, with the class saying why (7: there
// is no such file). A size of 0 is an answer.
TARNHOLM_FTP_API int64_t FTPFileSizeEx(int64_t conn, const char16_t* path, char16_t* msg);
// Renames `from` to `to` (absolute, or names in the current directory) in
// one step, also over an existing `to`, which is then replaced by `from`
// whole (SFTP: the POSIX rename extension where the server offers it; FTP:
// RNFR/RNTO). A server that refuses leaves both as they were; the class is
// then 14. Nonzero when done.
TARNHOLM_FTP_API int64_t ReplaceFTPFileEx(int64_t conn, const char16_t* from, const char16_t* to, char16_t* msg);

// Thread-safe, callable from any thread at any time, also while OpenFTPEx or
// another call for conn runs on another thread. on = 1: the running call on
// conn and every later one fail within 0.5 s with class 10, until
// CancelFTPEx(conn, 0) clears it. A cancelled transfer leaves the connection
// usable where the protocol allows (FTP: ABOR or a fresh data connection;
// SFTP: the session stays), else the next call fails with class 11.
// CloseFTPEx still closes while the request is set, and the Set...Ex
// registrations still take effect. Nonzero for conn > 0.
TARNHOLM_FTP_API int64_t CancelFTPEx(int64_t conn, int64_t on);

}  // extern "C"
