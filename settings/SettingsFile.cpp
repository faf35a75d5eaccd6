#include "settings/SettingsFile.h"

#include "settings/SettingsDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace SettingsFile {
namespace {

struct OpenFile {
  bool open = false;
  bool readOnly = false;
  QString fileName;
  SettingsDocument doc;
};

OpenFile& Current() {
  static OpenFile file;
  return file;
}

// The file holds the server passwords and the plain keys.
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The write-back replaces the file as a whole: a failure anywhere (no room for
// the temporary file, a short write, the rename) leaves the old file untouched.
// Where the folder refuses a new file but the file itself may be written, it
// is rewritten in place instead. A new file is made owner-only; an existing
// one keeps its mode.
bool WriteBack(const QString& fileName, const QByteArray& bytes) {
  const bool isNew = !Exists(fileName);
  QSaveFile out(fileName);
  out.setDirectWriteFallback(true);
  if (!out.open(QIODevice::WriteOnly)) return false;
  if (isNew && !out.setPermissions(kOwnerOnly)) {
    out.cancelWriting();
    return false;
  }
  if (out.write(bytes) != bytes.size()) {
    out.cancelWriting();
    return false;
  }
  return out.commit();
}

}  // namespace

bool Exists(const QString& fileName) {
  const QFileInfo info(fileName);
  return info.exists() || info.isSymLink();
}

bool Open(const QString& fileName) {
  (void)Close();
  OpenFile& f = Current();
  f.open = true;
  f.fileName = fileName;

  // Only a file that is not there may be created by the write-back. One that
  // exists but cannot be read (or is no regular file) must never be replaced
  // by the few keys that one command writes: its changes are dropped.
  if (Exists(fileName) && !QFileInfo(fileName).isFile()) {
    f.readOnly = true;
    return false;
  }
  // ExistingOnly: opening must never create the file; only a write-back may.
  QFile in(fileName);
  if (!in.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
    if (!in.open(QIODevice::ReadOnly)) {
      f.readOnly = Exists(fileName);
      return false;
    }
    f.readOnly = true;
  }
  const QByteArray bytes = in.readAll();
  // A model built from part of the file must never be written over the whole.
  if (in.error() != QFileDevice::NoError) f.readOnly = true;
  f.doc.entries = ParseSettingsText(SettingsBytesToUtf8(bytes));
  return true;
}

bool Create(const QString& fileName) {
  (void)Close();
  // Append leaves an existing file's bytes alone; the write-back at Close
  // replaces them in one step.
  QFile probe(fileName);
  if (!probe.open(QIODevice::WriteOnly | QIODevice::Append, kOwnerOnly)) return false;
  probe.close();
  OpenFile& f = Current();
  f.open = true;
  f.fileName = fileName;
  f.doc.changed = true;
  return true;
}

bool Close() {
  OpenFile& f = Current();
  if (!f.open) return true;
  bool ok = true;
  if (f.doc.changed) {
    ok = !f.readOnly && WriteBack(f.fileName, SerialiseSettings(f.doc.entries));
  }
  f = OpenFile{};
  return ok;
}

bool SelectGroup(const QString& name) {
  OpenFile& f = Current();
  if (!f.open) return false;
  return DocumentSelectGroup(f.doc, name.toUtf8());
}

QString ReadString(const QString& key, const QString& defaultValue) {
  const SettingsEntry* entry = DocumentFindKey(Current().doc, key.toUtf8());
  if (!entry) return defaultValue;
  return QString::fromUtf8(SettingsValueTrimmedFront(entry->value));
}

int32_t ReadInteger(const QString& key, int32_t defaultValue) {
  const SettingsEntry* entry = DocumentFindKey(Current().doc, key.toUtf8());
  if (!entry) return defaultValue;
  return SettingsValueToInteger(entry->value);
}

void WriteString(const QString& key, const QString& value) {
  OpenFile& f = Current();
  if (!f.open) return;
  DocumentWrite(f.doc, key.toUtf8(), value.toUtf8());
}

void WriteInteger(const QString& key, int32_t value) {
  OpenFile& f = Current();
  if (!f.open) return;
  DocumentWrite(f.doc, key.toUtf8(), QByteArray::number(value));
}

void RemoveGroup(const QString& name) {
  OpenFile& f = Current();
  if (!f.open) return;
  DocumentRemoveGroup(f.doc, name.toUtf8());
}

void ChangeGroups(const QList<std::pair<QString, QString>>& changes) {
  OpenFile& f = Current();
  if (!f.open) return;
  std::vector<SettingsGroupChange> bytes;
  for (const auto& [name, newName] : changes) bytes.push_back({name.toUtf8(), newName.toUtf8()});
  DocumentChangeGroups(f.doc, bytes);
}

bool RewindGroups() {
  OpenFile& f = Current();
  if (!f.open) return false;
  DocumentRewindGroups(f.doc);
  return true;
}

bool NextGroup() { return DocumentNextGroup(Current().doc); }

QString GroupName() { return QString::fromUtf8(DocumentGroupName(Current().doc)); }

}  // namespace SettingsFile
