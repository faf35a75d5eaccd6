// The back end's pure core: listing lines as servers send them, server path
// resolution, UTF-16 text at the interface, and date values.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "ftp/backend/DateValue.h"
#include "ftp/backend/HostKeyOrder.h"
#include "ftp/backend/ListParser.h"
#include "ftp/backend/ListingCollector.h"
#include "ftp/backend/ServerPath.h"
#include "ftp/backend/Utf16.h"

namespace tb = tarnholm::backend;
using tb::EntryType;

namespace {

// Fixes the zone so that date values do not depend on the machine.
class ZoneFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz != nullptr ? tz : "";
    hadZone_ = tz != nullptr;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
  void TearDown() override {
    if (hadZone_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

// 2018-12-24 18:30:00 as a date value; Berlin is UTC+1 in December.
constexpr int64_t kChristmasEvening = 1545676200;
// "Dec 24  2018" is midnight UTC, 01:00 in Berlin.
constexpr int64_t kYearOnlyDate = kChristmasEvening - 17 * 3600 - 30 * 60;
// "now" for listings without a year: 2019-03-01 12:00:00 UTC.
constexpr int64_t kNowUtc = 1551441600;

struct LineCase {
  const char* name;
  const char* line;
  bool parses;
  const char* entryName;
  int64_t size;
  int64_t date;
  EntryType type;
};

using ListLineTest = ZoneFixture;

TEST_F(ListLineTest, UnixAndDosLines) {
  const LineCase cases[] = {
      {"unix file with year", "-rw-r--r--    1 1000     1000         1234 Dec 24  2018 report.pdf", true,
       "report.pdf", 1234, kYearOnlyDate, EntryType::File},
      {"unix file without year, recent", "-rw-r--r--    1 0 0 7 Dec 24 17:30 a.txt", true, "a.txt", 7,
       kChristmasEvening, EntryType::File},
      {"unix date later than now lies in the year before", "-rw-r--r-- 1 0 0 7 Mar 05 10:00 b", true, "b", 7,
       tb::DateValueFromFields(2018, 3, 5, 11, 0, 0), EntryType::File},
      {"unix directory", "drwxr-xr-x    2 1000     1000         4096 Jan 01  2020 sub", true, "sub", 4096,
       tb::DateValueFromFields(2020, 1, 1, 1, 0, 0), EntryType::Directory},
      {"unix name with inner and leading blanks", "-rw-r--r-- 1 u g 5 Dec 24  2018  two  blanks", true,
       " two  blanks", 5, kYearOnlyDate, EntryType::File},
      {"unix size above 4 GiB", "-rw-r--r-- 1 u g 5368709120 Dec 24  2018 big.iso", true, "big.iso",
       5368709120LL, kYearOnlyDate, EntryType::File},
      {"unix without group column", "-rw-r--r-- 1 owner 99 Dec 24  2018 x", true, "x", 99,
       kYearOnlyDate, EntryType::File},
      {"unix link to file", "lrwxrwxrwx 1 0 0 11 Dec 24  2018 latest -> report.pdf", true, "latest", 11,
       kYearOnlyDate, EntryType::File},
      {"unix link whose target says directory", "lrwxrwxrwx 1 0 0 4 Dec 24  2018 www -> /var/www/", true, "www",
       4, kYearOnlyDate, EntryType::Directory},
      {"unix fifo is neither", "prw-r--r-- 1 0 0 0 Dec 24  2018 pipe", true, "pipe", 0,
       kYearOnlyDate, EntryType::Other},
      {"unix date before 1970", "-rw-r--r-- 1 0 0 1 Jun 01  1969 old", true, "old", 1, -1, EntryType::File},
      {"unix date after 2038", "-rw-r--r-- 1 0 0 1 Jun 01  2040 future", true, "future", 1, -1, EntryType::File},
      {"unix dot entries pass through", "drwxr-xr-x 3 0 0 4096 Dec 24  2018 ..", true, "..", 4096,
       kYearOnlyDate, EntryType::Directory},
      {"dos directory, 12-hour clock", "12-24-18  06:30PM       <DIR>          Neuer Ordner", true, "Neuer Ordner",
       0, kChristmasEvening, EntryType::Directory},
      {"dos file, four-digit year", "12-24-2018  12:05AM             1234 data.aes", true, "data.aes", 1234,
       tb::DateValueFromFields(2018, 12, 24, 0, 5, 0), EntryType::File},
      {"dos file, 24-hour clock", "01-02-99  13:45  77 x y.txt", true, "x y.txt", 77,
       tb::DateValueFromFields(1999, 1, 2, 13, 45, 0), EntryType::File},
      {"total line", "total 12", false, "", 0, -1, EntryType::Other},
      {"unix line cut short", "-rw-r--r-- 1 u g 5 Dec 24", false, "", 0, -1, EntryType::Other},
      {"garbage", "hello world", false, "", 0, -1, EntryType::Other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tb::DirEntry e;
    const bool parsed = tb::ParseUnixListLine(c.line, kNowUtc, e) || tb::ParseDosListLine(c.line, e);
    ASSERT_EQ(parsed, c.parses);
    if (!parsed) continue;
    EXPECT_EQ(e.name, c.entryName);
    EXPECT_EQ(e.size, c.size);
    EXPECT_EQ(e.date, c.date);
    EXPECT_EQ(e.type, c.type);
    EXPECT_EQ(e.link, c.line[0] == 'l') << "links are marked, whatever their target";
  }
}

TEST_F(ListLineTest, MlsdLines) {
  const LineCase cases[] = {
      {"file with UTC time", "type=file;size=1234;modify=20181224173000;perm=r; report.pdf", true, "report.pdf",
       1234, kChristmasEvening, EntryType::File},
      {"fractional seconds", "type=file;size=1;modify=20181224173000.123; a", true, "a", 1, kChristmasEvening,
       EntryType::File},
      {"directory with sizd", "type=dir;sizd=4096;modify=20181224173000; sub dir", true, "sub dir", 4096,
       kChristmasEvening, EntryType::Directory},
      {"facts in capitals", "Type=File;Size=5368709120;Modify=20181224173000; big", true, "big", 5368709120LL,
       kChristmasEvening, EntryType::File},
      {"current directory named by path", "type=cdir;modify=20181224173000; /home/u", true, ".", 0,
       kChristmasEvening, EntryType::Directory},
      {"parent directory", "type=pdir;modify=20181224173000; ..", true, "..", 0, kChristmasEvening,
       EntryType::Directory},
      {"link without target", "type=OS.unix=symlink;size=3; l", true, "l", 3, -1, EntryType::File},
      {"link to a directory", "type=OS.unix=slink:/srv/;size=3; l2", true, "l2", 3, -1, EntryType::Directory},
      {"name with semicolon and blanks", "type=file;size=2; a;b  c", true, "a;b  c", 2, -1, EntryType::File},
      {"no modify fact", "type=file;size=2; nodate", true, "nodate", 2, -1, EntryType::File},
      {"broken modify fact", "type=file;size=2;modify=2018136; bad", true, "bad", 2, -1, EntryType::File},
      {"no type fact", "size=2; untyped", false, "", 0, -1, EntryType::Other},
      {"no name", "type=file;size=2;", false, "", 0, -1, EntryType::Other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tb::DirEntry e;
    ASSERT_EQ(tb::ParseMlsdLine(c.line, e), c.parses);
    if (!c.parses) continue;
    EXPECT_EQ(e.name, c.entryName);
    EXPECT_EQ(e.size, c.size);
    EXPECT_EQ(e.date, c.date);
    EXPECT_EQ(e.type, c.type);
    EXPECT_EQ(e.link, std::string_view(c.line).find("OS.unix=") != std::string_view::npos);
  }
}

TEST_F(ListLineTest, WholeListingSkipsNoiseAndKeepsOrder) {
  const char* text =
      "total 8\r\n"
      "drwxr-xr-x 2 0 0 4096 Dec 24  2018 sub\r\n"
      "\r\n"
      "-rw-r--r-- 1 0 0 3 Dec 24  2018 a\r\n"
      "-rw-r--r-- 1 0 0 4 Dec 24  2018 b";  // last line without line end
  const auto entries = tb::ParseListing(text, tb::ListingFormat::List, kNowUtc);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "sub");
  EXPECT_EQ(entries[1].name, "a");
  EXPECT_EQ(entries[2].name, "b");
  EXPECT_EQ(entries[2].size, 4);
}

// Feeds a listing to the reader in pieces of every size from 1 byte up, so
// that line ends fall on every boundary.
TEST_F(ListLineTest, ListingReadAsItArrivesMatchesTheWholeText) {
  const std::string text =
      "total 8\r\n"
      "drwxr-xr-x 2 0 0 4096 Dec 24  2018 sub\r\n"
      "-rw-r--r-- 1 0 0 3 Dec 24  2018 a name with blanks\r\n"
      "-rw-r--r-- 1 0 0 " + std::string(70000, 'x') + "\r\n"  // no line any server means
      "-rw-r--r-- 1 0 0 4 Dec 24  2018 last";
  const auto whole = tb::ParseListing(text, tb::ListingFormat::List, kNowUtc);
  ASSERT_EQ(whole.size(), 3u);  // the overlong line parses as nothing either way
  for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{4096}, text.size()}) {
    SCOPED_TRACE(piece);
    std::vector<tb::DirEntry> entries;
    tb::ListingReader reader;
    reader.nowUtc = kNowUtc;
    reader.collector.entries = &entries;
    for (std::size_t at = 0; at < text.size(); at += piece) {
      ASSERT_TRUE(tb::FeedListing(reader, std::string_view(text).substr(at, piece)));
    }
    ASSERT_TRUE(tb::FinishListing(reader));
    ASSERT_EQ(entries.size(), whole.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].name, whole[i].name);
      EXPECT_EQ(entries[i].size, whole[i].size);
      EXPECT_EQ(entries[i].date, whole[i].date);
    }
  }
}

TEST(ListingLimits, EntriesAndTheirMemoryAreCounted) {
  struct Row {
    const char* name;
    std::size_t maxEntries;
    std::size_t maxBytes;
    std::size_t nameLength;
    std::size_t kept;  // entries collected before the limit refuses one
  };
  // A name of up to 15 characters lives inside the string; a longer one has
  // a heap block of its length plus one.
  const std::size_t entry = sizeof(tb::DirEntry);
  const Row rows[] = {
      {"the count limit", 5, std::size_t{1} << 30, 3, 5},
      {"short names: the array alone", 1000, 64 * entry, 3, 64},
      {"long names: their blocks count too", 1000, 64 * entry + 8 * 101, 100, 8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<tb::DirEntry> entries;
    entries.reserve(64);  // capacity fixed, so the array's share is known
    tb::EntryCollector collector;
    collector.entries = &entries;
    collector.limits = {row.maxEntries, row.maxBytes};
    std::size_t kept = 0;
    while (kept < 1000) {
      tb::DirEntry e;
      e.name = std::string(row.nameLength, 'n');
      if (!tb::CollectEntry(collector, std::move(e))) break;
      ++kept;
    }
    EXPECT_EQ(kept, row.kept);
    EXPECT_EQ(entries.size(), row.kept);
    EXPECT_LE(tb::CollectedBytes(collector), row.maxBytes);
  }
}

TEST(ListingLimits, AListingPastTheLimitStopsTheReader) {
  const std::string entry = "type=file;size=1; x\r\n";
  const std::string noise = "this is no entry\r\n";
  struct Row {
    const char* name;
    std::string line;
    std::size_t maxEntries;
    std::size_t maxText;
    std::size_t kept;
  };
  const Row rows[] = {
      {"entries", entry, 3, std::size_t{1} << 20, 3},
      {"lines that are no entries, without end", noise, 3, 10 * noise.size(), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<tb::DirEntry> entries;
    tb::ListingReader reader;
    reader.format = tb::ListingFormat::Mlsd;
    reader.collector.entries = &entries;
    reader.collector.limits.maxEntries = row.maxEntries;
    reader.collector.limits.maxText = row.maxText;
    bool stopped = false;
    for (int i = 0; i < 100 && !stopped; ++i) stopped = !tb::FeedListing(reader, row.line);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(tb::FinishListing(reader));
    EXPECT_EQ(entries.size(), row.kept);
  }
}

TEST(HostKeyOrder, TrustedTypesComeFirst) {
  const std::string usual =
      "ssh-ed25519,ecdsa-sha2-nistp521,ecdsa-sha2-nistp384,ecdsa-sha2-nistp256,sk-ssh-ed25519@openssh.com,"
      "sk-ecdsa-sha2-nistp256@openssh.com,rsa-sha2-512,rsa-sha2-256";
  struct Row {
    const char* types;
    std::string algorithms;
  };
  const Row rows[] = {
      {"", ""},
      {"ssh-dss", ""},  // nothing known: the library's own order
      {"ssh-rsa",
       "rsa-sha2-512,rsa-sha2-256,ssh-rsa,ssh-ed25519,ecdsa-sha2-nistp521,ecdsa-sha2-nistp384,ecdsa-sha2-nistp256,"
       "sk-ssh-ed25519@openssh.com,sk-ecdsa-sha2-nistp256@openssh.com"},
      {"ssh-ed25519", usual},
      {"ecdsa-sha2-nistp256  ssh-rsa",
       "ecdsa-sha2-nistp256,rsa-sha2-512,rsa-sha2-256,ssh-rsa,ssh-ed25519,ecdsa-sha2-nistp521,ecdsa-sha2-nistp384,"
       "sk-ssh-ed25519@openssh.com,sk-ecdsa-sha2-nistp256@openssh.com"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.types);
    EXPECT_EQ(tb::HostKeyAlgorithms(row.types), row.algorithms);
  }
}

TEST(ServerPath, TemporarySiblingStaysInTheFolderAndWithinANameLength) {
  EXPECT_EQ(tb::TemporarySibling("/a/b/file.txt", 0x1234abcd), "/a/b/.file.txt.1234abcd.part");
  // 300 bytes of two-byte characters: cut to fit 255, between characters.
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "\xc3\xa4";
  const std::string temporary = tb::TemporarySibling("/d/" + longName, 7);
  const std::string name = temporary.substr(3);
  EXPECT_LE(name.size(), 255u);
  EXPECT_EQ(temporary.substr(0, 4), "/d/.");
  EXPECT_EQ(name.substr(name.size() - 14), ".00000007.part");
  const std::string kept = name.substr(1, name.size() - 15);
  EXPECT_EQ(kept.size() % 2, 0u) << "a character was cut in two";
  EXPECT_EQ(longName.rfind(kept, 0), 0u);
}

TEST(ServerPath, Resolution) {
  struct Case {
    const char* name;
    const char* cwd;
    const char* arg;
    bool directory;  // ResolveDirectory, else ResolveEntry
    bool ok;
    const char* result;
  } cases[] = {
      {"parent of nested", "/a/b/", "..", true, true, "/a/"},
      {"parent of root stays root", "/", "..", true, true, "/"},
      {"absolute directory", "/a/", "/x/y/", true, true, "/x/y/"},
      {"absolute directory without slash", "/a/", "/x", true, true, "/x/"},
      {"directory name in cwd", "/a/", "sub", true, true, "/a/sub/"},
      {"empty directory", "/a/", "", true, false, ""},
      {"line break in directory", "/a/", "x\r\nRMD y", true, false, ""},
      {"bare file name", "/a/", "f.txt", false, true, "/a/f.txt"},
      {"absolute file", "/a/", "/b/f.txt", false, true, "/b/f.txt"},
      {"trailing slash dropped", "/a/", "/b/new/", false, true, "/b/new"},
      {"root is no entry", "/a/", "/", false, false, ""},
      {"line feed in name", "/a/", "x\nDELE y", false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out;
    const bool ok = c.directory ? tb::ResolveDirectory(c.cwd, c.arg, out) : tb::ResolveEntry(c.cwd, c.arg, out);
    ASSERT_EQ(ok, c.ok);
    if (ok) {
      EXPECT_EQ(out, c.result);
    }
  }
  std::string dir, name;
  ASSERT_TRUE(tb::SplitEntry("/a/b/c.txt", dir, name));
  EXPECT_EQ(dir, "/a/b/");
  EXPECT_EQ(name, "c.txt");
  EXPECT_FALSE(tb::SplitEntry("/a/", dir, name));
}

TEST(Utf16, RoundTripAndRefusals) {
  const std::u16string text = u"Grüße 😀 €";
  std::string utf8;
  ASSERT_TRUE(tb::Utf16ToUtf8(text.c_str(), utf8));
  EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 \xE2\x82\xAC");
  EXPECT_EQ(tb::Utf8ToUtf16(utf8), text);

  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_FALSE(tb::Utf16ToUtf8(lone, utf8));
  EXPECT_FALSE(tb::Utf16ToUtf8(nullptr, utf8));
  const std::u16string huge(tb::kMaxInputChars + 1, u'x');
  EXPECT_FALSE(tb::Utf16ToUtf8(huge.c_str(), utf8));

  // Bytes of a server that does not speak UTF-8: one U+FFFD each, no overrun.
  EXPECT_EQ(tb::Utf8ToUtf16("a\xE4" "b\xF0\x9F"), u"a\uFFFDb\uFFFD\uFFFD");
  EXPECT_EQ(tb::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
}

TEST(Utf16, CopyCutsLongNamesSafely) {
  char16_t buffer[262];
  std::fill(std::begin(buffer), std::end(buffer), u'#');

  const std::u16string longName(300, u'n');
  tb::CopyToBuffer(longName, buffer, 260);
  EXPECT_EQ(std::u16string(buffer), std::u16string(259, u'n'));
  EXPECT_EQ(buffer[260], u'#');  // nothing written past the buffer

  // A pair that would straddle the cut is dropped whole.
  std::u16string pairAtCut(258, u'n');
  pairAtCut += u"😀tail";
  tb::CopyToBuffer(pairAtCut, buffer, 260);
  EXPECT_EQ(std::u16string(buffer), std::u16string(258, u'n'));

  tb::CopyToBuffer(u"short", buffer, 260);
  EXPECT_EQ(std::u16string(buffer), u"short");
}

TEST(DateValue, RangeAndFields) {
  EXPECT_EQ(tb::DateValueFromFields(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(tb::DateValueFromFields(2018, 12, 24, 18, 30, 0), kChristmasEvening);
  EXPECT_EQ(tb::DateValueFromFields(2038, 1, 19, 3, 14, 7), 2147483647);
  EXPECT_EQ(tb::DateValueFromFields(2038, 1, 19, 3, 14, 8), -1);
  EXPECT_EQ(tb::DateValueFromFields(1969, 12, 31, 23, 59, 59), -1);
  EXPECT_EQ(tb::DateValueFromFields(2017, 2, 29, 0, 0, 0), -1);
  EXPECT_NE(tb::DateValueFromFields(2016, 2, 29, 0, 0, 0), -1);
  EXPECT_EQ(tb::DateValueFromFields(2018, 4, 31, 0, 0, 0), -1);
  EXPECT_EQ(tb::DateValueFromFields(2018, 13, 1, 0, 0, 0), -1);
}

using DateZoneTest = ZoneFixture;

TEST_F(DateZoneTest, UtcInstantBecomesLocalFields) {
  // Winter: UTC+1; summer: UTC+2.
  EXPECT_EQ(tb::DateValueFromUtc(tb::UtcSecondsFromFields(2018, 12, 24, 17, 30, 0)), kChristmasEvening);
  EXPECT_EQ(tb::DateValueFromUtc(tb::UtcSecondsFromFields(2018, 7, 1, 10, 0, 0)),
            tb::DateValueFromFields(2018, 7, 1, 12, 0, 0));
  // Local 1970-01-01 00:30 is still before the epoch in UTC.
  EXPECT_EQ(tb::DateValueFromUtc(-1800), 1800);
  EXPECT_EQ(tb::DateValueFromUtc(tb::UtcSecondsFromFields(2038, 1, 19, 3, 14, 7)), -1);  // local 04:14:07
}

}  // namespace
