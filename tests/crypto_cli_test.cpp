// Runs the real tarnholm-crypt program.
#include "crypto/FileCipher.h"
#include "crypto_test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

const char kKeyText[] =
    "0A 2F 54 79 9E C3 E8 0D 32 57 7C A1 C6 EB 10 35 5A 7F A4 C9 EE 13 38 5D "
    "82 A7 CC F1 16 3B 60 85 AA CF F4 19 3E 63 88 AD D2 F7 1C 41 66 8B B0 D5";

struct Outcome {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

class CryptCli : public testing::Test {
 protected:
  QTemporaryDir dir;

  QString Path(const QString& name) const { return dir.filePath(name); }

  void Write(const QString& name, const QByteArray& bytes) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }

  QByteArray Read(const QString& name) const {
    QFile f(Path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  // Runs the program in the temporary directory with stdinText as its input.
  Outcome Run(const QStringList& args, const QByteArray& stdinText = {}) {
    Outcome outcome;
    const QString inName = Path(QStringLiteral(".stdin")), errName = Path(QStringLiteral(".stderr"));
    const QString outName = Path(QStringLiteral(".stdout"));
    Write(QStringLiteral(".stdin"), stdinText);
    std::vector<QByteArray> storage{QByteArray(TARNHOLM_CRYPT_BIN)};
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    const QByteArray cwd = QFile::encodeName(dir.path());
    const QByteArray inPath = QFile::encodeName(inName), errPath = QFile::encodeName(errName);
    const QByteArray outPath = QFile::encodeName(outName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.constData());
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0);
    int status = 0;
    if (rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    outcome.out = Read(QStringLiteral(".stdout"));
    outcome.err = Read(QStringLiteral(".stderr"));
    QFile::remove(outName);
    QFile::remove(inName);
    QFile::remove(errName);
    return outcome;
  }

  QStringList Entries() const {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }
};

TEST_F(CryptCli, RoundTripsThroughEveryKeySourceAndMatchesTheBufferCipher) {
  const std::vector<uint8_t> plain = Pattern(100003);
  Write("plain.bin", QByteArray(reinterpret_cast<const char*>(plain.data()), qsizetype(plain.size())));
  Write("key.txt", QByteArray("\n  ") + kKeyText + "\r\n");
  Write("ftp.ini", QByteArray("\xEF\xBB\xBF\r\n[Global]\r\nselProfile = Büro\r\n\r\n[Büro]\r\nCipherCode = ") +
                       kKeyText + "\r\n");
  Write("other.ini", QByteArray("[Zweites]\nCipherCode = ") + kKeyText + "\n");

  ASSERT_EQ(Run({"encrypt", "plain.bin", "a.aes", "--key-file", "key.txt"}).status, 0);
  const QByteArray cipher = Read("a.aes");
  std::vector<uint8_t> expected(plain.size());
  const QByteArray key = QByteArray::fromHex(QByteArray(kKeyText).replace(' ', ""));
  ASSERT_EQ(EncryptBuffer(plain.data(), expected.data(), int64_t(plain.size()),
                          reinterpret_cast<const uint8_t*>(key.constData()), 256,
                          reinterpret_cast<const uint8_t*>(key.constData()) + 32),
            int64_t(plain.size()));
  EXPECT_EQ(cipher, QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size())));

  const QByteArray plainBytes = Read("plain.bin");
  const struct {
    const char* name;
    QStringList args;
    QByteArray stdinText;
  } sources[] = {
      {"profile from ftp.ini", {"decrypt", "a.aes", "b1", "--profile", "büro"}, {}},
      {"profile from --ini", {"decrypt", "a.aes", "b2", "--profile=Zweites", "--ini", "other.ini"}, {}},
      {"standard input", {"decrypt", "a.aes", "b3"}, QByteArray(kKeyText) + "\n"},
  };
  for (const auto& source : sources) {
    SCOPED_TRACE(source.name);
    const Outcome r = Run(source.args, source.stdinText);
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(Read(source.args[2]), plainBytes);
  }
}

TEST_F(CryptCli, RefusesWithAMessageAndLeavesNoOutput) {
  Write("plain.bin", QByteArray(64, 'p'));
  Write("short.bin", QByteArray(15, 's'));
  Write("key.txt", kKeyText);
  Write("bad.txt", QByteArray(kKeyText).replace(2, 1, "-"));
  Write("ftp.ini", "[Leer]\nCipherCode =\n");
  ASSERT_EQ(::symlink("plain.bin", Path("alias.bin").toLocal8Bit().constData()), 0);
  ASSERT_EQ(::link(Path("plain.bin").toLocal8Bit().constData(), Path("hard.bin").toLocal8Bit().constData()), 0);
  const QStringList before = Entries();

  const struct {
    const char* name;
    QStringList args;
    int status;
  } rows[] = {
      {"no arguments", {}, 2},
      {"unknown command", {"scramble", "plain.bin", "out"}, 2},
      {"unknown option", {"encrypt", "plain.bin", "out", "--fast"}, 2},
      {"both key sources", {"encrypt", "plain.bin", "out", "--key-file", "key.txt", "--profile", "Leer"}, 2},
      {"invalid key text", {"encrypt", "plain.bin", "out", "--key-file", "bad.txt"}, 3},
      {"missing key file", {"encrypt", "plain.bin", "out", "--key-file", "none.txt"}, 3},
      {"profile without key", {"encrypt", "plain.bin", "out", "--profile", "Leer"}, 3},
      {"unknown profile", {"encrypt", "plain.bin", "out", "--profile", "Fehlt"}, 3},
      {"missing settings file", {"encrypt", "plain.bin", "out", "--profile", "Leer", "--ini", "none.ini"}, 3},
      {"missing input", {"encrypt", "none.bin", "out", "--key-file", "key.txt"}, 4},
      {"input is a directory", {"encrypt", ".", "out", "--key-file", "key.txt"}, 4},
      {"input below 16 bytes", {"decrypt", "short.bin", "out", "--key-file", "key.txt"}, 4},
      {"output exists", {"encrypt", "plain.bin", "key.txt", "--key-file", "key.txt"}, 5},
      {"output is the input", {"encrypt", "plain.bin", "plain.bin", "--key-file", "key.txt", "--force"}, 5},
      {"output is a symbolic link to the input", {"encrypt", "plain.bin", "alias.bin", "--key-file", "key.txt", "--force"}, 5},
      {"output is a hard link to the input", {"encrypt", "plain.bin", "hard.bin", "--key-file", "key.txt", "--force"}, 5},
      {"output directory missing", {"encrypt", "plain.bin", "no/such/out", "--key-file", "key.txt"}, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome r = Run(row.args);
    EXPECT_EQ(r.status, row.status) << r.err.constData();
    EXPECT_TRUE(r.err.startsWith("tarnholm-crypt: ")) << r.err.constData();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
    EXPECT_EQ(Entries(), before);
  }
  EXPECT_EQ(Read("plain.bin"), QByteArray(64, 'p'));
  EXPECT_EQ(Read("key.txt"), QByteArray(kKeyText));
}

TEST_F(CryptCli, ForceReplacesAnExistingOutput) {
  Write("plain.bin", QByteArray(40, 'p'));
  Write("out.aes", "old");
  const Outcome r = Run({"encrypt", "plain.bin", "out.aes", "--force"}, kKeyText);
  EXPECT_EQ(r.status, 0) << r.err.constData();
  EXPECT_EQ(Read("out.aes").size(), 40);
  EXPECT_EQ(Entries(), QStringList({"out.aes", "plain.bin"}));
}

TEST_F(CryptCli, HelpStatesWhatTheFormatLacks) {
  const Outcome r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.err.isEmpty());
  for (const char* phrase : {"exactly the length of the input", "no header", "no authentication",
                             "One key and one IV serve every file of a profile"}) {
    EXPECT_TRUE(r.out.contains(phrase)) << phrase;
  }
}

}  // namespace
