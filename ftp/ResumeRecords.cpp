#include "ftp/ResumeRecords.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <mutex>

namespace {

std::mutex g_mutex;
QString g_path;

QJsonObject ToJson(const ResumeRecord& r) {
  return QJsonObject{{"upload", r.upload},
                     {"server", r.server},
                     {"serverPath", r.serverPath},
                     {"localPath", r.localPath},
                     {"partial", r.partial},
                     {"size", QString::number(r.size)},
                     {"date", QString::number(r.date)},
                     {"encrypted", r.encrypted},
                     {"done", QString::number(r.done)}};
}

ResumeRecord FromJson(const QJsonObject& o) {
  ResumeRecord r;
  r.upload = o.value("upload").toBool();
  r.server = o.value("server").toString();
  r.serverPath = o.value("serverPath").toString();
  r.localPath = o.value("localPath").toString();
  r.partial = o.value("partial").toString();
  r.size = o.value("size").toString().toLongLong();
  r.date = o.value("date").toString().toLongLong();
  r.encrypted = o.value("encrypted").toBool();
  r.done = o.value("done").toString().toLongLong();
  return r;
}

bool SameTransfer(const ResumeRecord& a, const ResumeRecord& b) {
  return a.upload == b.upload && a.server == b.server && a.serverPath == b.serverPath && a.localPath == b.localPath;
}

QJsonArray Load() {
  QFile file(g_path);
  if (g_path.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).array();
}

// Losing the records costs only the offer to go on; the files stay.
void Store(const QJsonArray& records) {
  if (g_path.isEmpty()) return;
  if (records.isEmpty()) {
    (void)QFile::remove(g_path);
    return;
  }
  QSaveFile file(g_path);
  if (!file.open(QIODevice::WriteOnly)) return;
  (void)file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  (void)file.write(QJsonDocument(records).toJson(QJsonDocument::Compact));
  (void)file.commit();
}

// Every record but those of r's transfer.
QJsonArray Without(const QJsonArray& records, const ResumeRecord& r) {
  QJsonArray kept;
  for (const QJsonValue& value : records) {
    if (!SameTransfer(FromJson(value.toObject()), r)) kept.append(value);
  }
  return kept;
}

}  // namespace

void SetResumeRecordFile(const QString& path) {
  std::lock_guard lock(g_mutex);
  g_path = path;
}

bool FindResumeRecord(bool upload, const QString& server, const QString& serverPath, const QString& localPath,
                      ResumeRecord& record) {
  std::lock_guard lock(g_mutex);
  ResumeRecord key;
  key.upload = upload;
  key.server = server;
  key.serverPath = serverPath;
  key.localPath = localPath;
  for (const QJsonValue& value : Load()) {
    const ResumeRecord found = FromJson(value.toObject());
    if (SameTransfer(found, key)) {
      record = found;
      return true;
    }
  }
  return false;
}

void SaveResumeRecord(const ResumeRecord& record) {
  std::lock_guard lock(g_mutex);
  QJsonArray records = Without(Load(), record);
  records.append(ToJson(record));
  Store(records);
}

void DropResumeRecord(const ResumeRecord& record) {
  std::lock_guard lock(g_mutex);
  const QJsonArray records = Load();
  const QJsonArray kept = Without(records, record);
  if (kept.size() != records.size()) Store(kept);
}
