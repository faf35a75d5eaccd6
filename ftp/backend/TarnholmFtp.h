#pragma once
// C interface of libtarnholm-ftp: FTP, FTPS (implicit and explicit) and SFTP
// behind the 20 functions the program looks up by name, plus a progress hook.
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
//   from inside the progress callback.

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
// Closes the connection and forgets it. Nonzero when it was open.
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
// Entry attributes: 0x10 for a directory, 0x80 for a file, 0 otherwise.
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

// Called during SendFTPFileEx and ReceiveFTPFileEx with the bytes moved and
// the expected total (-1 when unknown); a nonzero return aborts the transfer.
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
};
// Answers 1 to go on with this identity, 0 to end the connect. Called inside
// OpenFTPEx (and, for a certificate not accepted yet, in a later data
// connection) before the login is sent; it may block on the user but must
// not call the library. FTPS certificates that verify against the system's
// authorities (plus the PEM file named by the environment variable
// TARNHOLM_EXTRA_CA_FILE) for the host are never asked about; SSH host keys
// always are, as the library remembers none.
typedef int (*TarnholmTrustFn)(void* user, const TarnholmTrustQuestion* question);
// Registers fn for connections opened under the number conn from now on
// (conn need not be open; the registration outlives CloseFTPEx). fn null
// removes it: then unverified certificates and all host keys are refused.
// Nonzero for conn > 0.
TARNHOLM_FTP_API int64_t SetFTPTrustCallbackEx(int64_t conn, TarnholmTrustFn fn, void* user);

}  // extern "C"
