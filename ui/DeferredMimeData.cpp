#include "ui/DeferredMimeData.h"

#include "ui/FileListWidget.h"

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

}  // namespace

DeferredMimeData::DeferredMimeData(QByteArray entries, std::function<QList<QUrl>()> fetch)
    : entries_(std::move(entries)), fetch_(std::move(fetch)) {}

QStringList DeferredMimeData::formats() const { return {QString::fromLatin1(kServerEntriesMime), kUriList}; }

bool DeferredMimeData::hasFormat(const QString& mimeType) const { return formats().contains(mimeType); }

QVariant DeferredMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
  if (mimeType == QLatin1String(kServerEntriesMime)) return entries_;
  if (mimeType != kUriList) return {};
  // A request that comes while the files are being fetched (the event loop
  // runs meanwhile) gets nothing; the first one gets them.
  if (state_ == State::Waiting && fetch_) {
    state_ = State::Fetching;
    urls_ = fetch_();
    state_ = State::Done;
  }
  if (state_ != State::Done) return {};
  if (type.id() == QMetaType::QByteArray || type.id() == QMetaType::QString) {
    QByteArray text;
    for (const QUrl& url : urls_) text += url.toEncoded() + "\r\n";
    return type.id() == QMetaType::QString ? QVariant(QString::fromUtf8(text)) : QVariant(text);
  }
  QVariantList list;
  for (const QUrl& url : urls_) list << url;
  return list;
}
