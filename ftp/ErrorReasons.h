#pragma once
// The German reason shown on its own line after a failure's message and in
// the status log. Built from the backend's error class (never from a
// library's English text) or from what went wrong on this computer.

#include <QString>
#include <cstdint>

// protocol as in the profile (1 FTP, 2 SFTP, 3 FTPS implicit, 4 FTPS
// explicit). Empty for a success, an unknown class and a cancel (which the
// user asked for and is told about by itself).
[[nodiscard]] QString ReasonForErrorClass(int64_t errorClass, int protocol);

// The reason for a failed local read or write, from errno.
[[nodiscard]] QString ReasonForLocalError(int error);

// text, then the reason on a line of its own when there is one.
[[nodiscard]] QString WithReason(const QString& text, const QString& reason);
