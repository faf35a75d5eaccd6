// The pure rules of the FTP side: planning transfers from records, the
// progress line, German reasons, server folders and download links.

#include <gtest/gtest.h>

#include <QString>
#include <cerrno>
#include <ostream>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/ProgressText.h"
#include "ftp/ServerEntry.h"
#include "ftp/TransferPlan.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QVector<ServerEntry> Rows(const QStringList& files, const QStringList& directories = {}) {
  QVector<ServerEntry> listed;
  for (const QString& d : directories) listed.append({d, 0, -1, kDirectoryRow});
  for (const QString& f : files) listed.append({f, 100, -1, IsEncryptedFileName(f) ? kEncryptedFileRow : kFileRow});
  return ServerRows(listed);
}

TEST(ServerRows, ParentThenDirectoriesThenFilesInListedOrder) {
  const QVector<ServerEntry> rows = ServerRows({{"b.txt", 1, -1, kFileRow},
                                                {"z", 0, -1, kDirectoryRow},
                                                {"a.aes", 20, -1, kEncryptedFileRow},
                                                {"a", 0, -1, kDirectoryRow}});
  QStringList names;
  for (const ServerEntry& e : rows) names << e.name;
  EXPECT_EQ(names, (QStringList{"..", "z", "a", "b.txt", "a.aes"}));
  EXPECT_EQ(rows[0].kind, kParentRow);
}

TEST(UploadPlan, QuestionsItemsAndSkippedFolders) {
  const struct {
    const char* name;
    QStringList onServer, serverDirectories;
    QVector<LocalPick> picks;
    bool encrypt, overwrite;
    QStringList questions, targets, skipped;
    QList<bool> replaces;
  } cases[] = {
      {"new names: no question, nothing replaced", {"x.txt"}, {}, {{"a.txt", false}}, false, false, {},
       {"/pub/a.txt"}, {}, {false}},
      {"equal name asked about and replaced safely", {"a.txt"}, {}, {{"a.txt", false}}, false, false, {"a.txt"},
       {"/pub/a.txt"}, {}, {true}},
      {"overwrite on: no question, still replaced safely", {"a.txt"}, {}, {{"a.txt", false}}, false, true, {},
       {"/pub/a.txt"}, {}, {true}},
      {"encrypted: the .aes name counts, the plain one does not", {"r.pdf", "s.pdf.aes"}, {},
       {{"r.pdf", false}, {"s.pdf", false}}, true, false, {"s.pdf.aes"}, {"/pub/r.pdf.aes", "/pub/s.pdf.aes"}, {},
       {false, true}},
      {"a server directory of that name is asked about but not replaced", {}, {"a.txt"}, {{"a.txt", false}}, false,
       false, {"a.txt"}, {"/pub/a.txt"}, {}, {false}},
      {"selected folders are skipped and named", {}, {}, {{"sub", true}, {"a.txt", false}, {"doc", true}}, false,
       false, {}, {"/pub/a.txt"}, {"sub", "doc"}, {false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TransferPlan plan = PlanUpload(c.picks, QStringLiteral("/home/u/"), Rows(c.onServer, c.serverDirectories),
                                         QStringLiteral("/pub/"), c.encrypt, c.overwrite);
    EXPECT_EQ(plan.questions, c.questions);
    EXPECT_EQ(plan.skippedFolders, c.skipped);
    EXPECT_TRUE(plan.refusal.isEmpty());
    QStringList targets;
    QList<bool> replaces;
    for (const TransferItem& item : plan.items) {
      targets << item.target;
      replaces << item.replaces;
      EXPECT_EQ(item.source, QStringLiteral("/home/u/") + item.name);
      EXPECT_EQ(item.encrypted, c.encrypt);
    }
    EXPECT_EQ(targets, c.targets);
    EXPECT_EQ(replaces, c.replaces);
  }
}

TEST(DownloadPlan, TargetsQuestionsAndTheRefusalOfEncryptedFiles) {
  const QStringList existing = {"/l/data", "/l/x.txt"};
  const auto exists = [&existing](const QString& path) { return existing.contains(path); };
  const struct {
    const char* name;
    QVector<ServerEntry> picked;
    bool encrypt, overwrite;
    QStringList targets, questions, skipped;
    int questionsBeforeRefusal;  // -1: no refusal
  } cases[] = {
      {".aes loses its suffix and is asked about under the plain name", {{"data.aes", 40, -1, kEncryptedFileRow}},
       true, false, {"/l/data"}, {"data"}, {}, -1},
      {"overwrite on: no question", {{"x.txt", 5, -1, kFileRow}}, false, true, {"/l/x.txt"}, {}, {}, -1},
      {"an encrypted file while encryption is off refuses after the earlier questions",
       {{"x.txt", 5, -1, kFileRow}, {"data.aes", 40, -1, kEncryptedFileRow}, {"y.txt", 5, -1, kFileRow}}, false,
       false, {}, {"x.txt"}, {}, 1},
      {"folders are skipped and named; Backup.AES is a plain file",
       {{"sub", 0, -1, kDirectoryRow}, {"Backup.AES", 3, -1, kFileRow}}, false, false, {"/l/Backup.AES"}, {}, {"sub"},
       -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TransferPlan plan = PlanDownload(c.picked, QStringLiteral("/s/"), QStringLiteral("/l/"), c.encrypt,
                                           c.overwrite, exists);
    QStringList targets;
    for (const TransferItem& item : plan.items) targets << item.target;
    EXPECT_EQ(targets, c.targets);
    EXPECT_EQ(plan.questions, c.questions);
    EXPECT_EQ(plan.skippedFolders, c.skipped);
    if (c.questionsBeforeRefusal < 0) {
      EXPECT_TRUE(plan.refusal.isEmpty());
    } else {
      EXPECT_EQ(plan.refusal, kCipherOffForDownload);
      EXPECT_EQ(plan.questionsBeforeRefusal, c.questionsBeforeRefusal);
    }
  }
  const TransferPlan sized = PlanDownload({{"data.aes", 15, -1, kEncryptedFileRow}}, QStringLiteral("/s/"),
                                          QStringLiteral("/l/"), true, true, exists);
  ASSERT_EQ(sized.items.size(), 1);
  EXPECT_EQ(sized.items[0].size, 15) << "the listed size, for the 16-byte check";
  EXPECT_EQ(sized.items[0].source, QStringLiteral("/s/data.aes"));
  EXPECT_TRUE(sized.items[0].encrypted);
}

TEST(ProgressLine, ReadableAtEveryStage) {
  const struct {
    const char* name;
    ProgressSnapshot snapshot;
    const char* expected;
  } cases[] = {
      {"just started: no speed yet", {"a.bin", 0, 2048, 100, 0, 1}, "a.bin: 0 Byte von 2,0 KiB (0 %)"},
      {"half way, several files", {"a.bin", 50 << 20, 100 << 20, 2000, 1, 3},
       "a.bin: 50,0 MiB von 100,0 MiB (50 %), 25,0 MiB/s, noch 2 s, Datei 2 von 3"},
      {"minutes left", {"big.iso", 1 << 20, int64_t{4} << 30, 1000, 0, 1},
       "big.iso: 1,0 MiB von 4,0 GiB (0 %), 1,0 MiB/s, noch 1 h 8 min"},
      {"unknown total", {"x", 1536, -1, 1000, 0, 1}, "x: 1,5 KiB, 1,5 KiB/s"},
      {"empty file", {"leer", 0, 0, 10, 0, 2}, "leer: 0 Byte von 0 Byte (100 %), Datei 1 von 2"},
      {"complete: no time left", {"a", 4096, 4096, 1000, 0, 1}, "a: 4,0 KiB von 4,0 KiB (100 %), 4,0 KiB/s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ProgressText(c.snapshot), QString::fromUtf8(c.expected));
  }
}

TEST(ProgressLine, SizesAndDurations) {
  const std::pair<int64_t, const char*> sizes[] = {
      {0, "0 Byte"},          {1023, "1023 Byte"},       {1024, "1,0 KiB"},
      {1048524, "1023,9 KiB"}, {1048525, "1,0 MiB"}, {5368709120, "5,0 GiB"}};
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(ByteText(bytes), QString::fromUtf8(text)) << bytes;
  const std::pair<int64_t, const char*> durations[] = {{0, "0 s"}, {59, "59 s"}, {60, "1 min 0 s"}, {3725, "1 h 2 min"}};
  for (const auto& [seconds, text] : durations) EXPECT_EQ(DurationText(seconds), QString::fromUtf8(text)) << seconds;
}

TEST(Reasons, GermanForEveryClassTheUserCanMeet) {
  for (int64_t errorClass : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 99}) {
    SCOPED_TRACE(errorClass);
    const QString reason = ReasonForErrorClass(errorClass, 1);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(reason.endsWith(QLatin1Char('.')));
  }
  for (int64_t quiet : {kFtpErrorNone, kFtpErrorUnknown, kFtpErrorCancelled}) {
    EXPECT_TRUE(ReasonForErrorClass(quiet, 1).isEmpty()) << quiet;
  }
  EXPECT_EQ(ReasonForErrorClass(kFtpErrorWrongProtocol, 2), QStringLiteral("Auf diesem Port antwortet kein SFTP-Server."));
  EXPECT_EQ(ReasonForErrorClass(kFtpErrorWrongProtocol, 4), QStringLiteral("Auf diesem Port antwortet kein FTP-Server."));
  EXPECT_NE(ReasonForErrorClass(kFtpErrorTrustRefused, 2), ReasonForErrorClass(kFtpErrorTrustRefused, 3));
  EXPECT_EQ(WithReason(QStringLiteral("A."), QString()), QStringLiteral("A."));
  EXPECT_EQ(WithReason(QStringLiteral("A."), QStringLiteral("B.")), QStringLiteral("A.\nB."));
  EXPECT_NE(ReasonForLocalError(ENOSPC), ReasonForLocalError(EACCES));
}

TEST(ServerFolders, AbsoluteWithOneTrailingSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"/", "/"}, {"", "/"}, {"/sub", "/sub/"}, {"/sub/", "/sub/"}, {"/sub//", "/sub/"}, {"sub", "/sub/"},
      {"/a/b", "/a/b/"}, {"//", "/"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(NormalizeServerFolder(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(DownloadLinks, PercentEncodedBehindThePrefixAsTyped) {
  const struct {
    const char* prefix;
    const char* folder;
    const char* name;
    const char* link;
  } cases[] = {
      {"files.example/download", "/", "data.txt", "files.example/download/data.txt"},
      {"files.example/download", "/sub/", "data.txt", "files.example/download/sub/data.txt"},
      {"https://h.example/dl", "/Ordner mit Ä/", "Bericht 1.pdf",
       "https://h.example/dl/Ordner%20mit%20%C3%84/Bericht%201.pdf"},
      {"h.example/dl", "/", "a#b?c%d.txt", "h.example/dl/a%23b%3Fc%25d.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DownloadLink(QString::fromUtf8(c.prefix), QString::fromUtf8(c.folder), QString::fromUtf8(c.name)),
              QString::fromUtf8(c.link));
  }
}

}  // namespace
