#include <gtest/gtest.h>

#include "ftp/ServerNames.h"

namespace {

TEST(ServerNames, ExtensionRule) {
  const struct {
    const char* name;
    const char* extension;
    bool encrypted;
  } cases[] = {
      {"data.aes", "aes", true},      {"Backup.AES", "AES", false}, {"x.aes.txt", "txt", false},
      {".aes", "", false},            {"a.b/c", "", false},         {"a. b", "", false},
      {"report.pdf.aes", "aes", true}, {"noext", "", false},        {"a/.aes", "", false},
      {"a\\.aes", "", false},         {"trailing.", "", false},     {"x.tar.gz", "gz", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileExtension(QString::fromUtf8(c.name)), QString::fromUtf8(c.extension));
    EXPECT_EQ(IsEncryptedFileName(QString::fromUtf8(c.name)), c.encrypted);
  }
}

TEST(ServerNames, OnlySinglePathComponentsAreListed) {
  const struct {
    const char* why;
    QString name;
    bool listable;
  } cases[] = {
      {"plain", QStringLiteral("Bericht 2018.pdf"), true},
      {"umlauts", QStringLiteral("Übersicht.txt"), true},
      {"dot file", QStringLiteral(".profile"), true},
      {"three dots", QStringLiteral("..."), true},
      {"current directory", QStringLiteral("."), false},
      {"parent directory", QStringLiteral(".."), false},
      {"empty", QString(), false},
      {"slash", QStringLiteral("../../etc/passwd"), false},
      {"backslash", QStringLiteral("..\\boot.ini"), false},
      {"line feed", QStringLiteral("a\nb"), false},
      {"escape", QStringLiteral("a\x1b[31m"), false},
      {"delete character", QStringLiteral("a\x7f"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(IsListableName(c.name), c.listable);
  }
}

TEST(ServerNames, ParentFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"/", "/"}, {"/a/", "/"}, {"/a/b/", "/a/"}, {"/a b/c d/", "/a b/"}, {"/x/y/z/", "/x/y/"},
  };
  for (const auto& [folder, parent] : cases) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(ParentServerFolder(QString::fromUtf8(folder)), QString::fromUtf8(parent));
  }
}

}  // namespace
