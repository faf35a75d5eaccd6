#pragma once
// The stored form of a profile's password: its UTF-8 bytes and one zero byte,
// in Base64, the characters reversed. It only keeps the password from being
// read at a glance; it protects nothing.

#include <QString>

// "abc" gives "==AAjJWY"; the empty password gives the empty text.
[[nodiscard]] QString EncodePassword(const QString& password);

// Reverses EncodePassword. Text that is not the stored form gives whatever the
// Base64 decoding yields up to the first zero byte; it is not an error.
[[nodiscard]] QString DecodePassword(const QString& stored);
