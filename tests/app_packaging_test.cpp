// What ships: the library search path of the built, bundled and installed
// binaries, and the settings folder that the desktop start script makes.

#include <gtest/gtest.h>

#include <elf.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>

namespace {

// The binaries that ship, by file name.
const char* const kShipped[] = {"tarnholm", "tarnholm-crypt", "libtarnholm-ftp.so"};

struct SearchPath {
  bool readable = false;
  QByteArray runPath;  // DT_RUNPATH, null when absent
  QByteArray rPath;    // DT_RPATH, null when absent
};

template <typename T>
bool ReadAt(const QByteArray& bytes, quint64 offset, T& out) {
  if (offset > static_cast<quint64>(bytes.size()) || sizeof(T) > bytes.size() - offset) return false;
  std::memcpy(&out, bytes.constData() + offset, sizeof(T));
  return true;
}

QByteArray StringAt(const QByteArray& bytes, quint64 offset) {
  if (offset >= static_cast<quint64>(bytes.size())) return {};
  return QByteArray(bytes.constData() + offset);
}

// The search-path entries of a 64-bit ELF file's dynamic section.
SearchPath ReadSearchPath(const QString& path) {
  SearchPath result;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return result;
  const QByteArray bytes = file.readAll();
  Elf64_Ehdr header;
  if (!ReadAt(bytes, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64)
    return result;
  for (int i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section;
    if (!ReadAt(bytes, header.e_shoff + quint64(i) * header.e_shentsize, section)) return result;
    if (section.sh_type != SHT_DYNAMIC) continue;
    Elf64_Shdr strings;
    if (!ReadAt(bytes, header.e_shoff + quint64(section.sh_link) * header.e_shentsize, strings)) return result;
    for (quint64 at = section.sh_offset; at + sizeof(Elf64_Dyn) <= section.sh_offset + section.sh_size;
         at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn entry;
      if (!ReadAt(bytes, at, entry) || entry.d_tag == DT_NULL) break;
      if (entry.d_tag == DT_RUNPATH) result.runPath = StringAt(bytes, strings.sh_offset + entry.d_un.d_val);
      if (entry.d_tag == DT_RPATH) result.rPath = StringAt(bytes, strings.sh_offset + entry.d_un.d_val);
    }
    result.readable = true;
  }
  return result;
}

void ExpectOwnFolderOnly(const QString& directory) {
  for (const char* name : kShipped) {
    SCOPED_TRACE(name);
    const SearchPath path = ReadSearchPath(QDir(directory).filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(path.readable);
    // An empty entry (a leading or trailing ":") would mean the current directory.
    EXPECT_EQ(path.runPath.toStdString(), "$ORIGIN");
    EXPECT_TRUE(path.rPath.isNull()) << path.rPath.constData();
  }
}

bool RunToEnd(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {}) {
  QProcess process;
  if (!environment.isEmpty()) process.setProcessEnvironment(environment);
  process.start(program, arguments);
  const bool ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
                  process.exitCode() == 0;
  if (!ok) ADD_FAILURE() << program.toStdString() << ": " << process.readAllStandardError().toStdString();
  return ok;
}

TEST(Packaging, BuiltBinariesSearchOnlyTheirOwnFolder) {
  ExpectOwnFolderOnly(QFileInfo(QStringLiteral(TARNHOLM_BIN)).absolutePath());
}

TEST(Packaging, InstalledBinariesSearchOnlyTheirOwnFolder) {
  QTemporaryDir prefix;
  ASSERT_TRUE(prefix.isValid());
  ASSERT_TRUE(RunToEnd(QStringLiteral(TARNHOLM_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(TARNHOLM_BUILD_DIR), QStringLiteral("--prefix"),
                   prefix.path()}));
  ExpectOwnFolderOnly(prefix.filePath(QStringLiteral("bin")));
}

TEST(Packaging, BundledBinariesSearchOnlyTheirOwnFolder) {
  QTemporaryDir out;
  ASSERT_TRUE(out.isValid());
  const QString bundle = out.filePath(QStringLiteral("Tarnholm"));
  ASSERT_TRUE(RunToEnd(QStringLiteral(TARNHOLM_CMAKE),
                  {QStringLiteral("-DBUNDLE_DIR=") + bundle, QStringLiteral("-DPROGRAM=" TARNHOLM_BIN),
                   QStringLiteral("-DTOOL=" TARNHOLM_CRYPT_BIN), QStringLiteral("-DBACKEND=" TARNHOLM_BACKEND),
                   QStringLiteral("-DSTRIP=" TARNHOLM_STRIP), QStringLiteral("-P"),
                   QStringLiteral(TARNHOLM_SOURCE_DIR "/packaging/bundle.cmake")}));
  ExpectOwnFolderOnly(bundle);
  EXPECT_TRUE(QFileInfo(QDir(bundle).filePath(QStringLiteral("tarnholm.sh"))).isFile());
}

// The desktop start script makes the settings folder owner-only; a folder
// that is already there keeps its mode.
TEST(Packaging, StartScriptMakesAnOwnerOnlySettingsFolder) {
  const struct {
    const char* name;
    QFile::Permissions existing;  // none: the folder is new
    QFile::Permissions expected;
  } rows[] = {
      {"new folder", {}, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner},
      {"existing folder keeps its mode", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                             QFile::ExeGroup,
       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir dir(root.path());
    ASSERT_TRUE(dir.mkdir(QStringLiteral("bin")));
    const QString script = dir.filePath(QStringLiteral("bin/tarnholm-start"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TARNHOLM_SOURCE_DIR "/packaging/tarnholm-start"), script));
    // Stands in for the program: tells where it was started.
    QFile program(dir.filePath(QStringLiteral("bin/tarnholm")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\npwd > \"$HOME/started-in\"\n");
    program.close();
    ASSERT_TRUE(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString settings = dir.filePath(QStringLiteral("config/tarnholm"));
    if (row.existing.toInt() != 0) {
      ASSERT_TRUE(dir.mkpath(settings));
      ASSERT_TRUE(QFile::setPermissions(settings, row.existing | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    ASSERT_TRUE(RunToEnd(QStringLiteral("/bin/sh"), {script}, environment));

    QFile startedIn(dir.filePath(QStringLiteral("started-in")));
    ASSERT_TRUE(startedIn.open(QIODevice::ReadOnly));
    EXPECT_EQ(QFileInfo(QString::fromLocal8Bit(startedIn.readAll().trimmed())).canonicalFilePath(),
              QFileInfo(settings).canonicalFilePath());
    const QFile::Permissions mode = QFileInfo(settings).permissions() & ~(QFile::ReadUser | QFile::WriteUser |
                                                                           QFile::ExeUser);
    EXPECT_EQ(mode, row.expected) << std::hex << mode.toInt();
  }
}

}  // namespace
