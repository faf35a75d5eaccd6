// tarnholm-crypt: encrypts or decrypts one file in the .aes format outside the program.

#include "cli/CryptOptions.h"
#include "crypto/CipherStream.h"
#include "crypto/KeyText.h"
#include "settings/SettingsDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Key texts are 143 characters; anything far longer is not a key file.
constexpr qint64 kMaxKeyFileBytes = 64 * 1024;
// A settings file with very many profiles still stays far below this.
constexpr qint64 kMaxIniBytes = 16 * 1024 * 1024;

int Fail(int status, const QString& message) {
  std::fprintf(stderr, "tarnholm-crypt: %s\n", message.toLocal8Bit().constData());
  return status;
}

QString Quoted(const QString& path) { return u'\'' + path + u'\''; }

// The profile's CipherCode as the program reads it: the first group of that name.
bool FindCipherCode(const QByteArray& fileBytes, const QString& profile, QString& keyText) {
  SettingsDocument document;
  document.entries = ParseSettingsText(SettingsBytesToUtf8(fileBytes));
  if (profile.isEmpty() || !DocumentSelectGroup(document, profile.toUtf8())) return false;
  const SettingsEntry* entry = DocumentFindKey(document, "CipherCode");
  if (entry == nullptr) return false;
  keyText = QString::fromUtf8(SettingsValueTrimmedFront(entry->value));
  return true;
}

bool ReadSmallFile(QFile& file, qint64 limit, QByteArray& bytes) {
  bytes = file.read(limit + 1);
  return file.error() == QFileDevice::NoError && bytes.size() <= limit;
}

// Fills keyText from the chosen source; on failure returns the exit status with the message printed.
int ReadKeyText(const CryptOptions& options, QString& keyText) {
  QByteArray bytes;
  if (!options.profile.isEmpty()) {
    QFile ini(options.iniPath);
    if (!ini.open(QIODevice::ReadOnly) || !ReadSmallFile(ini, kMaxIniBytes, bytes))
      return Fail(kExitKey, QStringLiteral("cannot read settings file %1").arg(Quoted(options.iniPath)));
    if (!FindCipherCode(bytes, options.profile, keyText) || keyText.isEmpty())
      return Fail(kExitKey, QStringLiteral("profile %1 has no CipherCode in %2")
                                .arg(Quoted(options.profile), Quoted(options.iniPath)));
    return kExitOk;  // parsed as stored, exactly as the program does
  }
  QFile source;
  bool opened = false;
  if (!options.keyFile.isEmpty()) {
    source.setFileName(options.keyFile);
    opened = source.open(QIODevice::ReadOnly);
  } else {
    opened = source.open(stdin, QIODevice::ReadOnly);
  }
  const QString name = options.keyFile.isEmpty() ? QStringLiteral("standard input") : Quoted(options.keyFile);
  if (!opened || !ReadSmallFile(source, kMaxKeyFileBytes, bytes))
    return Fail(kExitKey, QStringLiteral("cannot read the key text from %1").arg(name));
  keyText = QString::fromUtf8(bytes).trimmed();
  return kExitOk;
}

// True when both paths exist and name the same file, through links as well.
bool SameFile(const QString& a, const QString& b) {
  const QFileInfo infoA(a);
  const QFileInfo infoB(b);
  if (!infoA.exists() || !infoB.exists()) return false;
  if (infoA.canonicalFilePath() == infoB.canonicalFilePath()) return true;
#ifdef Q_OS_UNIX
  struct stat statA {};
  struct stat statB {};
  if (::stat(QFile::encodeName(a).constData(), &statA) == 0 &&
      ::stat(QFile::encodeName(b).constData(), &statB) == 0)
    return statA.st_dev == statB.st_dev && statA.st_ino == statB.st_ino;
#endif
  return false;
}

QString DescribeFailure(CipherStreamResult result, const QFile& in, const QSaveFile& out) {
  switch (result) {
    case CipherStreamResult::Done: break;
    case CipherStreamResult::TooShort:
      return QStringLiteral("input %1 is shorter than 16 bytes").arg(Quoted(in.fileName()));
    case CipherStreamResult::ReadFailed:
      return QStringLiteral("cannot read %1: %2").arg(Quoted(in.fileName()), in.errorString());
    case CipherStreamResult::WriteFailed:
      return QStringLiteral("cannot write %1: %2").arg(Quoted(out.fileName()), out.errorString());
    case CipherStreamResult::Cancelled: return QStringLiteral("cancelled");
    case CipherStreamResult::CipherFailed: return QStringLiteral("the cipher failed");
  }
  return QString();
}

int Run(const CryptOptions& options) {
  const QFileInfo inInfo(options.input);
  if (!inInfo.exists())
    return Fail(kExitInput, QStringLiteral("input %1 does not exist").arg(Quoted(options.input)));
  if (!inInfo.isFile())
    return Fail(kExitInput, QStringLiteral("input %1 is not a regular file").arg(Quoted(options.input)));
  if (inInfo.size() < 16)
    return Fail(kExitInput, QStringLiteral("input %1 is shorter than 16 bytes").arg(Quoted(options.input)));

  const QFileInfo outInfo(options.output);
  if (SameFile(options.input, options.output))
    return Fail(kExitOutput, QStringLiteral("output %1 is the input file").arg(Quoted(options.output)));
  if (outInfo.exists() || outInfo.isSymLink()) {
    if (!options.force)
      return Fail(kExitOutput, QStringLiteral("output %1 exists (use --force to replace it)")
                                   .arg(Quoted(options.output)));
    if (outInfo.isDir())
      return Fail(kExitOutput, QStringLiteral("output %1 is a directory").arg(Quoted(options.output)));
  }

  QString keyText;
  if (const int status = ReadKeyText(options, keyText); status != kExitOk) return status;
  KeyMaterial material{};
  if (!ParseKeyText(keyText, material, {}))
    return Fail(kExitKey, QStringLiteral("invalid key text: expected 48 two-digit hexadecimal "
                                         "values separated by single blanks"));

  QFile in(options.input);
  if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    return Fail(kExitInput, QStringLiteral("cannot open %1: %2").arg(Quoted(options.input), in.errorString()));
  // The cipher goes to a temporary file beside OUT that only replaces OUT once complete.
  QSaveFile out(options.output);
  if (!out.open(QIODevice::WriteOnly))
    return Fail(kExitOutput, QStringLiteral("cannot create %1: %2").arg(Quoted(options.output), out.errorString()));

  const CipherStreamResult result =
      options.encrypt ? EncryptStream(in, out, material) : DecryptStream(in, out, material);
  material.fill(0);
  if (result != CipherStreamResult::Done) {
    const QString reason = DescribeFailure(result, in, out);
    out.cancelWriting();
    return Fail(kExitFailed, reason);
  }
  if (!out.commit())
    return Fail(kExitFailed, QStringLiteral("cannot write %1: %2").arg(Quoted(options.output), out.errorString()));
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  CryptOptions options;
  QString error;
  if (!ParseCryptOptions(args, options, error)) return Fail(kExitUsage, error);
  if (options.help) {
    std::fputs(CryptHelpText().toLocal8Bit().constData(), stdout);
    return kExitOk;
  }
  return Run(options);
}
