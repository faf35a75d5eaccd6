// The pure rules of the FTP side: planning transfers from records, the
// progress line, German reasons, server folders and download links.

#include <gtest/gtest.h>

#include <QString>
#include <cerrno>
#include <ostream>

#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/ProgressText.h"
#include "ftp/ResumePlan.h"
#include "ftp/ServerEntry.h"
#include "ftp/ServerSort.h"
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

UploadSource LocalFile(const QString& name) { return UploadSource{QStringLiteral("/home/u/") + name, false, 100}; }

// A local folder: entries ending in "/" are folders.
UploadSource LocalFolder(const QString& name, const QStringList& entries, const QStringList& skipped = {}) {
  UploadSource source{QStringLiteral("/home/u/") + name, true};
  for (const QString& e : entries) source.tree.entries.append({e.endsWith('/') ? e.chopped(1) : e, e.endsWith('/'), 700});
  source.tree.skipped = skipped;
  return source;
}

QStringList QuestionNames(const TransferPlan& plan) {
  QStringList names;
  for (const PlanQuestion& q : plan.questions) names << q.name;
  return names;
}

// Each item as "+target" for a folder to create, "target" for a file, "target!" for one that replaces.
QStringList ItemTexts(const TransferPlan& plan) {
  QStringList texts;
  for (const TransferItem& i : plan.items) texts << (i.folder ? "+" : "") + i.target + (i.replaces ? "!" : "");
  return texts;
}

TEST(UploadPlan, QuestionsAndItemsForFilesAndFolders) {
  const struct {
    const char* name;
    QStringList onServer;  // paths below /pub/ the server has; a trailing "/" marks a folder
    QVector<UploadSource> sources;
    bool encrypt, overwrite;
    QStringList questions, items, skipped;
  } cases[] = {
      {"new names: no question, nothing replaced", {"x.txt"}, {LocalFile("a.txt")}, false, false, {},
       {"/pub/a.txt"}, {}},
      {"equal name asked about and replaced safely", {"a.txt"}, {LocalFile("a.txt")}, false, false, {"a.txt"},
       {"/pub/a.txt!"}, {}},
      {"overwrite on: no question, still replaced safely", {"a.txt"}, {LocalFile("a.txt")}, false, true, {},
       {"/pub/a.txt!"}, {}},
      {"encrypted: the .aes name counts, the plain one does not", {"r.pdf", "s.pdf.aes"},
       {LocalFile("r.pdf"), LocalFile("s.pdf")}, true, false, {"s.pdf.aes"}, {"/pub/r.pdf.aes", "/pub/s.pdf.aes!"},
       {}},
      {"a server folder of that name is asked about but not replaced", {"a.txt/"}, {LocalFile("a.txt")}, false, false,
       {"a.txt"}, {"/pub/a.txt"}, {}},
      {"a new folder: made first, then what it holds in order, folder names as they are",
       {}, {LocalFolder("Fotos", {"a.jpg", "2024/", "2024/b.jpg", "leer/"})}, true, false, {},
       {"+/pub/Fotos", "/pub/Fotos/a.jpg.aes", "+/pub/Fotos/2024", "/pub/Fotos/2024/b.jpg.aes", "+/pub/Fotos/leer"},
       {}},
      {"a folder the server has: only what is missing is made, what it holds is asked about by its path",
       {"Fotos/", "Fotos/2024/", "Fotos/2024/b.jpg"}, {LocalFolder("Fotos", {"a.jpg", "2024/", "2024/b.jpg"})},
       false, false, {"Fotos/2024/b.jpg"}, {"/pub/Fotos/a.jpg", "/pub/Fotos/2024/b.jpg!"}, {}},
      {"a folder where the server has a file: made all the same (the server will refuse)", {"Fotos"},
       {LocalFolder("Fotos", {})}, false, false, {}, {"+/pub/Fotos"}, {}},
      {"what the local walk left out is named with its path", {},
       {LocalFolder("Fotos", {"a.jpg"}, {"link-out", "2024/fifo"})}, false, false, {},
       {"+/pub/Fotos", "/pub/Fotos/a.jpg"}, {"Fotos/link-out", "Fotos/2024/fifo"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerIndex existing;
    for (const QString& path : c.onServer) {
      existing.insert(path.endsWith('/') ? path.chopped(1) : path, path.endsWith('/') ? kDirectoryRow : kFileRow);
    }
    const TransferPlan plan = PlanUpload(c.sources, QStringLiteral("/pub/"), existing, c.encrypt, c.overwrite);
    EXPECT_EQ(QuestionNames(plan), c.questions);
    EXPECT_EQ(ItemTexts(plan), c.items);
    EXPECT_EQ(plan.skipped, c.skipped);
    EXPECT_TRUE(plan.refusal.isEmpty());
    for (const PlanQuestion& q : plan.questions) {
      EXPECT_TRUE(plan.items[q.item].target.endsWith(q.name)) << q.name.toStdString();
    }
    for (const TransferItem& item : plan.items) {
      EXPECT_EQ(item.source, QStringLiteral("/home/u/") + item.name);
      EXPECT_EQ(item.encrypted, c.encrypt && !item.folder);
    }
  }
}

TEST(UploadPlan, AServerWalkIndexesPathsBelowTheFolderAndItsLinksAsFiles) {
  FolderTree walked;
  walked.entries = {{"2024", true}, {"2024/b.jpg", false, 9}};
  walked.skipped = {"2024/link"};
  ServerIndex index = IndexRows(Rows({"x.txt"}, {"Fotos"}));
  AddToIndex(index, QStringLiteral("Fotos"), walked);
  EXPECT_EQ(index.value("Fotos"), kDirectoryRow);
  EXPECT_EQ(index.value("Fotos/2024"), kDirectoryRow);
  EXPECT_EQ(index.value("Fotos/2024/b.jpg"), kFileRow);
  EXPECT_EQ(index.value("Fotos/2024/link"), kFileRow) << "a link is replaced, never written through";
  EXPECT_FALSE(index.contains(".."));
}

DownloadSource ServerFolder(const QString& name, const QStringList& entries, const QStringList& skipped = {}) {
  DownloadSource source{{name, 0, -1, kDirectoryRow}, {}};
  for (const QString& e : entries) {
    source.tree.entries.append({e.endsWith('/') ? e.chopped(1) : e, e.endsWith('/'), 40, 1234});
  }
  source.tree.skipped = skipped;
  return source;
}

TEST(DownloadPlan, TargetsQuestionsAndTheRefusalOfEncryptedFiles) {
  const QStringList existing = {"/l/data", "/l/x.txt", "/l/Fotos/a.jpg"};
  const auto exists = [&existing](const QString& path) { return existing.contains(path); };
  const auto file = [](const char* name, int kind = kFileRow) { return DownloadSource{{name, 40, 7, kind}, {}}; };
  const struct {
    const char* name;
    QVector<DownloadSource> picked;
    bool encrypt, overwrite;
    QStringList items, questions, skipped;
    int questionsBeforeRefusal;  // -1: no refusal
  } cases[] = {
      {".aes loses its suffix and is asked about under the plain name", {file("data.aes", kEncryptedFileRow)}, true,
       false, {"/l/data"}, {"data"}, {}, -1},
      {"overwrite on: no question", {file("x.txt")}, false, true, {"/l/x.txt"}, {}, {}, -1},
      {"an encrypted file while encryption is off refuses after the earlier questions",
       {file("x.txt"), file("data.aes", kEncryptedFileRow), file("y.txt")}, false, false, {}, {"x.txt"}, {}, 1},
      {"Backup.AES is a plain file", {file("Backup.AES")}, false, false, {"/l/Backup.AES"}, {}, {}, -1},
      {"a folder: made here first, then what it holds; a file there is asked about by its path",
       {ServerFolder("Fotos", {"a.jpg", "2024/", "2024/b.jpg.aes"})}, true, false,
       {"+/l/Fotos", "/l/Fotos/a.jpg", "+/l/Fotos/2024", "/l/Fotos/2024/b.jpg"}, {"Fotos/a.jpg"}, {}, -1},
      {"an encrypted file inside a folder while encryption is off refuses too",
       {ServerFolder("Fotos", {"a.jpg", "b.jpg.aes"})}, false, false, {}, {"Fotos/a.jpg"}, {}, 1},
      {"links the walk left out are named with their path", {ServerFolder("Fotos", {}, {"lnk"})}, false, false,
       {"+/l/Fotos"}, {}, {"Fotos/lnk"}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TransferPlan plan = PlanDownload(c.picked, QStringLiteral("/s/"), QStringLiteral("/l/"), c.encrypt,
                                           c.overwrite, exists);
    EXPECT_EQ(ItemTexts(plan), c.items);
    EXPECT_EQ(QuestionNames(plan), c.questions);
    EXPECT_EQ(plan.skipped, c.skipped);
    if (c.questionsBeforeRefusal < 0) {
      EXPECT_TRUE(plan.refusal.isEmpty());
      for (const TransferItem& item : plan.items) {
        EXPECT_EQ(item.source, QStringLiteral("/s/") + item.name);
        EXPECT_EQ(item.encrypted, IsEncryptedFileName(item.source));
      }
    } else {
      EXPECT_EQ(plan.refusal, kCipherOffForDownload);
      EXPECT_EQ(plan.questionsBeforeRefusal, c.questionsBeforeRefusal);
    }
  }
  const TransferPlan sized = PlanDownload({{{"data.aes", 15, 99, kEncryptedFileRow}, {}}}, QStringLiteral("/s/"),
                                          QStringLiteral("/l/"), true, true, exists);
  ASSERT_EQ(sized.items.size(), 1);
  EXPECT_EQ(sized.items[0].size, 15) << "the listed size, for the 16-byte check";
  EXPECT_EQ(sized.items[0].date, 99);
  EXPECT_EQ(sized.items[0].source, QStringLiteral("/s/data.aes"));
  EXPECT_TRUE(sized.items[0].encrypted);
}

TEST(ServerSorting, FoldersFirstInBothDirectionsAndValuesNotTexts) {
  const QVector<ServerEntry> listed = ServerRows({{"b.txt", 10, 300, kFileRow},
                                                  {"Zeta", 0, 100, kDirectoryRow},
                                                  {"A.txt", 9, 200, kFileRow},
                                                  {"alpha", 0, 50, kDirectoryRow},
                                                  {"c.aes", 100, -1, kEncryptedFileRow}});
  const struct {
    const char* name;
    ServerSort sort;
    QStringList order;
  } cases[] = {
      {"unsorted: the listing's order", {-1, false}, {"..", "Zeta", "alpha", "b.txt", "A.txt", "c.aes"}},
      {"name: without regard to case", {0, false}, {"..", "alpha", "Zeta", "A.txt", "b.txt", "c.aes"}},
      {"name descending: folders still first", {0, true}, {"..", "Zeta", "alpha", "c.aes", "b.txt", "A.txt"}},
      {"size: 9 before 10 before 100", {1, false}, {"..", "Zeta", "alpha", "A.txt", "b.txt", "c.aes"}},
      {"size descending", {1, true}, {"..", "Zeta", "alpha", "c.aes", "b.txt", "A.txt"}},
      {"date: no date first, folders by theirs", {2, false}, {"..", "alpha", "Zeta", "c.aes", "A.txt", "b.txt"}},
      {"date descending", {2, true}, {"..", "Zeta", "alpha", "b.txt", "A.txt", "c.aes"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QVector<ServerEntry> rows = listed;
    SortServerRows(rows, c.sort);
    QStringList names;
    for (const ServerEntry& e : rows) names << e.name;
    EXPECT_EQ(names, c.order);
  }
  EXPECT_EQ(ClickedSort({-1, false}, 1).column, 1);
  EXPECT_FALSE(ClickedSort({-1, false}, 1).descending);
  EXPECT_TRUE(ClickedSort({1, false}, 1).descending) << "the same column again turns it round";
  EXPECT_FALSE(ClickedSort({1, true}, 1).descending);
  EXPECT_FALSE(ClickedSort({1, true}, 2).descending) << "another column starts ascending";
}

TEST(ResumeFiles, NamedBesideTheTargetWithinTheFileSystemsLimit) {
  EXPECT_EQ(ResumeFileName(QStringLiteral("big.iso")), QStringLiteral(".big.iso.tarnholm-resume"));
  const QString longA = QString(240, QChar(u'ä')) + QStringLiteral("a");
  const QString longB = QString(240, QChar(u'ä')) + QStringLiteral("b");
  for (const QString& name : {longA, longB}) {
    const QString shortened = ResumeFileName(name);
    EXPECT_LE(shortened.toUtf8().size(), 255);
    EXPECT_TRUE(shortened.startsWith(QLatin1Char('.')) && shortened.endsWith(QStringLiteral(".tarnholm-resume")));
  }
  EXPECT_NE(ResumeFileName(longA), ResumeFileName(longB)) << "long names that begin alike stay apart";
}

TEST(ProgressLine, ReadableAtEveryStage) {
  const struct {
    const char* name;
    ProgressSnapshot snapshot;
    const char* expected;
    int bar;  // the whole run's share, or -1 (left as it is)
  } cases[] = {
      {"just started: no speed yet", {"a.bin", 0, 2048, 100, 0, 1}, "a.bin: 0 Byte von 2,0 KiB (0 %)", 0},
      {"half way through the second of three: the run's figures", {"a.bin", 50 << 20, 100 << 20, 2000, 1, 3,
       150 << 20, 300 << 20},
       "a.bin: 50,0 MiB von 100,0 MiB (50 %), Datei 2 von 3, gesamt 150,0 MiB von 300,0 MiB (50 %), 75,0 MiB/s, "
       "noch 2 s", 500},
      {"minutes left", {"big.iso", 1 << 20, int64_t{4} << 30, 1000, 0, 1},
       "big.iso: 1,0 MiB von 4,0 GiB (0 %), 1,0 MiB/s, noch 1 h 8 min", 0},
      {"unknown total", {"x", 1536, -1, 1000, 0, 1}, "x: 1,5 KiB, 1,5 KiB/s", -1},
      {"empty file among several", {"leer", 0, 0, 10, 0, 2, 0, 4096},
       "leer: 0 Byte von 0 Byte (100 %), Datei 1 von 2, gesamt 0 Byte von 4,0 KiB (0 %)", 0},
      {"complete: no time left", {"a", 4096, 4096, 1000, 0, 1}, "a: 4,0 KiB von 4,0 KiB (100 %), 4,0 KiB/s", 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ProgressText(c.snapshot), QString::fromUtf8(c.expected));
    EXPECT_EQ(ProgressBarValue(c.snapshot), c.bar);
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
