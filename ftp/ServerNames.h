#pragma once
// Rules for names the server reports.

#include <QString>

enum ServerRowKind { kParentRow = 5, kDirectoryRow = 6, kFileRow = 7, kEncryptedFileRow = 8 };

// The extension is the text after the last "." when no blank, "/" or "\"
// follows that "." and the "." is neither the first character nor directly
// after a "/" or "\". Empty when the name has none.
[[nodiscard]] QString FileExtension(const QString& name);

// Exactly "aes", lower case.
[[nodiscard]] bool IsEncryptedFileName(const QString& name);

// A single path component: not empty, not "." or "..", no "/" or "\" and no
// control characters. Anything else could make a later command reach outside
// the listed directory, so such entries are not listed.
[[nodiscard]] bool IsListableName(const QString& name);

// "/a/b/" becomes "/a/"; "/" stays "/".
[[nodiscard]] QString ParentServerFolder(const QString& folder);

// The folder as the program keeps it: absolute, ending in exactly one "/"
// ("sub" and "/sub//" both become "/sub/"; "" becomes "/").
[[nodiscard]] QString NormalizeServerFolder(const QString& folder);

// The download link of a server file: the prefix as typed, then the folder and
// name with everything outside the unreserved characters and "/" percent-encoded
// (UTF-8), as a browser expects it.
[[nodiscard]] QString DownloadLink(const QString& prefix, const QString& folder, const QString& name);
