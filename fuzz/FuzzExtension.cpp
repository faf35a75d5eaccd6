// Any name: the extension is a suffix after a ".", holds no blank, "/" or
// "\", and only "aes" makes an encrypted file.

#include <cstdlib>

#include "ftp/ServerNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString extension = FileExtension(name);
  if (!extension.isEmpty()) {
    if (!name.endsWith(QLatin1Char('.') + extension)) std::abort();
    for (const QChar c : extension) {
      if (c == QLatin1Char(' ') || c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('.')) std::abort();
    }
  }
  if (IsEncryptedFileName(name) != (extension == QLatin1String("aes"))) std::abort();
  if (IsListableName(name) && (name.contains(QLatin1Char('/')) || name == QLatin1String(".."))) std::abort();
  return 0;
}
