// The files a transfer passes through: the temporary file and replacing a
// local file only with complete new content.

#include <QBuffer>
#include <QTemporaryDir>

#include "ftp/TempFile.h"
#include "tests/transfer_test_support.h"

namespace {

TEST(TransferTempFile, FreshOwnerOnlyFilesNamedTempInTheChosenDirectory) {
  QTemporaryDir dir;
  const QString directory = dir.path() + QLatin1Char('/');
  ASSERT_TRUE(WriteBytes(directory + "temp", "someone else's"));
  auto first = CreateTransferTempFile(directory);
  auto second = CreateTransferTempFile(directory);
  ASSERT_TRUE(first && second);
  for (const QString& name : {first->fileName(), second->fileName()}) {
    EXPECT_TRUE(name.startsWith(directory + QStringLiteral("temp"))) << name.toStdString();
    EXPECT_NE(name, directory + QStringLiteral("temp"));
    EXPECT_EQ(QFile::permissions(name) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
  }
  EXPECT_NE(first->fileName(), second->fileName());
  EXPECT_EQ(ReadBytes(directory + "temp"), "someone else's");
  const QString name = first->fileName();
  first.reset();
  EXPECT_FALSE(QFile::exists(name));
  EXPECT_EQ(CreateTransferTempFile(QStringLiteral("/proc/self/")), nullptr);
}

TEST(TransferTempFile, TemporaryDirectoryEndsWithASeparator) {
  EXPECT_EQ(TransferTempDirectory(false), QFileInfo(QDir::tempPath()).canonicalFilePath() + QLatin1Char('/'));
  EXPECT_EQ(TransferTempDirectory(true), QDir::currentPath() + QLatin1Char('/'));
}

TEST(TransferTempFile, CopyDeviceMovesEveryByteAcrossChunks) {
  QByteArray source = Pattern(kCopyChunkBytes * 2 + 7);
  QBuffer in(&source);
  QByteArray copy;
  QBuffer out(&copy);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
  std::vector<int64_t> steps;
  EXPECT_EQ(CopyDevice(in, out, [&](int64_t done, int64_t) { steps.push_back(done); }), CopyResult::Done);
  EXPECT_EQ(copy, source);
  EXPECT_EQ(steps, (std::vector<int64_t>{kCopyChunkBytes, 2 * kCopyChunkBytes, 2 * kCopyChunkBytes + 7}));
}

// Staging on another file system than the target (/dev/shm is a RAM file
// system here) takes the copy-then-rename path; the same file system a rename.
TEST(TransferTempFile, MoveFileOverReplacesOnlyWithCompleteContent) {
  struct Case {
    const char* name;
    QString stagingDirectory;  // empty: the target's own directory
    bool targetIsDirectory;
    bool moved;
  } cases[] = {
      {"same file system: rename", {}, false, true},
      {"other file system: copy beside the target", QStringLiteral("/dev/shm"), false, true},
      {"target is a directory", {}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir targetDir;
    if (!c.stagingDirectory.isEmpty() && !QFileInfo(c.stagingDirectory).isWritable()) GTEST_SKIP() << "no /dev/shm";
    const QString target = targetDir.filePath("x.bin");
    if (c.targetIsDirectory) {
      ASSERT_TRUE(QDir().mkdir(target));
    } else {
      ASSERT_TRUE(WriteBytes(target, "old"));
    }
    auto staged = CreateTransferTempFile((c.stagingDirectory.isEmpty() ? targetDir.path() : c.stagingDirectory) +
                                         QLatin1Char('/'));
    ASSERT_TRUE(staged);
    const QString stagedName = staged->fileName();
    ASSERT_EQ(staged->write(Pattern(5000)), 5000);
    EXPECT_EQ(MoveFileOver(*staged, target), c.moved);
    staged.reset();
    EXPECT_FALSE(QFile::exists(stagedName));
    if (c.targetIsDirectory) {
      EXPECT_TRUE(QFileInfo(target).isDir());
    } else {
      EXPECT_EQ(ReadBytes(target), Pattern(5000));
    }
    EXPECT_EQ(QDir(targetDir.path()).entryList(QDir::Files | QDir::Hidden),
              c.targetIsDirectory ? QStringList{} : QStringList{"x.bin"});
  }
}

}  // namespace
