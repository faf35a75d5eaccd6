#pragma once
// Drag data whose files exist only once someone asks for them: the server
// list's entries dragged out to the desktop's file manager. The file manager
// asks for the file URLs when the drop happens (on X11 and Wayland the data
// of a drag is asked for then, not when it starts); only then are the files
// fetched, through the given function, which may run an event loop of its
// own meanwhile so that the window stays responsive. It runs at most once.
// A subclass because QMimeData has no other hook for data made on demand.

#include <QList>
#include <QMimeData>
#include <QUrl>
#include <functional>

class DeferredMimeData : public QMimeData {
  Q_OBJECT

 public:
  // entries: what this program's own lists take (kServerEntriesMime); fetch
  // makes the files and answers their URLs (none when it failed or was cancelled).
  DeferredMimeData(QByteArray entries, std::function<QList<QUrl>()> fetch);

  [[nodiscard]] QStringList formats() const override;
  [[nodiscard]] bool hasFormat(const QString& mimeType) const override;

  // Whether the files were asked for (and fetched) already.
  [[nodiscard]] bool Fetched() const { return state_ == State::Done; }

 protected:
  [[nodiscard]] QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  enum class State { Waiting, Fetching, Done };
  QByteArray entries_;
  std::function<QList<QUrl>()> fetch_;
  mutable State state_ = State::Waiting;
  mutable QList<QUrl> urls_;
};
