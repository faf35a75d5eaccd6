#include "ftp/ResumePlan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <cstring>
#include <QFile>

#include "ftp/ProgressText.h"
#include "ftp/ResumeRecords.h"

namespace {

QString FolderOf(const QString& path) { return path.left(path.lastIndexOf(QLatin1Char('/')) + 1); }
QString NameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

// The size of a resume file here that is ours: a regular file of this user.
int64_t OwnFileSize(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
    return -1;
  }
  return static_cast<int64_t>(info.st_size);
}

}  // namespace

QString ResumeFileName(const QString& name) {
  constexpr qsizetype kMaxBytes = 255;
  const QByteArray whole = name.toUtf8();
  if (whole.size() + 1 + qsizetype(std::strlen(kResumeSuffix)) <= kMaxBytes) {
    return QLatin1Char('.') + name + QLatin1String(kResumeSuffix);
  }
  const QString hash = QString::fromLatin1(QCryptographicHash::hash(whole, QCryptographicHash::Sha256).toHex().left(16));
  QString shorter = name.left(100);
  if (!shorter.isEmpty() && shorter.back().isHighSurrogate()) shorter.chop(1);
  return QLatin1Char('.') + shorter + QLatin1Char('~') + hash + QLatin1String(kResumeSuffix);
}

QVector<ResumeQuestion> PlanResumes(QVector<TransferItem>& items, bool upload, const QString& server, bool resumable) {
  QVector<ResumeQuestion> questions;
  if (!resumable) return questions;
  for (int i = 0; i < items.size(); ++i) {
    TransferItem& item = items[i];
    if (item.folder || item.size < kResumeMinBytes) continue;
    // The resume file lies beside the target, on the target's side.
    item.resume = ResumeStep::Fresh;
    item.partial = FolderOf(item.target) + ResumeFileName(NameOf(item.target));
    const QString serverPath = upload ? item.target : item.source;
    const QString localPath = upload ? item.source : item.target;
    ResumeRecord record;
    if (!FindResumeRecord(upload, server, serverPath, localPath, record) || record.partial != item.partial ||
        record.size != item.size || record.date != item.date || record.encrypted != item.encrypted) {
      continue;
    }
    const int64_t done = upload ? record.done : OwnFileSize(item.partial);
    if (done < kResumeMinBytes || done >= item.size) continue;
    questions.append({item.name, i, done, item.size});
  }
  return questions;
}

QString ResumeQuestionText(const ResumeQuestion& q) {
  return QStringLiteral("''%1''\n\nDiese Datei wurde beim letzten Mal nicht vollständig übertragen (%2 von %3).\n"
                        "Fortsetzen?")
      .arg(q.name, ByteText(q.done), ByteText(q.size));
}
