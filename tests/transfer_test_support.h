#pragma once
// Shared by the upload and download tests: a main window with a real local
// list, a message-box recorder with scripted answers, and file helpers.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <deque>
#include <ostream>
#include <vector>

#include "state/AppState.h"
#include "crypto/FileCipher.h"
#include "ftp/FtpSession.h"
#include "ftp/ResumeRecords.h"
#include "local/LocalList.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Answers Yes/No boxes from a queue (Yes once it is empty) and keeps every box.
struct BoxScript {
  std::vector<MessageBoxRequest> boxes;
  std::deque<BoxAnswer> answers;
  BoxScript() {
    SetMessageBoxResponder([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      if (r.buttons == BoxButtons::Ok) return BoxAnswer::Ok;
      if (answers.empty()) return BoxAnswer::Yes;
      const BoxAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  ~BoxScript() { SetMessageBoxResponder(nullptr); }
  QStringList Texts() const {
    QStringList texts;
    for (const MessageBoxRequest& box : boxes) texts << box.title + QStringLiteral("|") + box.text;
    return texts;
  }
};

inline QString OverwriteText(const QString& name) {
  return QStringLiteral("Frage:|''") + name +
         QStringLiteral("''\n\nDiese Datei existiert bereits im Zielverzeichnis.\nSoll sie überschrieben werden?");
}
inline QString ErrorText(const QString& text) { return QStringLiteral("Fehler:|") + text; }

// Distinct, position-dependent bytes so that swapped or shifted blocks show.
inline QByteArray Pattern(qint64 size, int seed = 0) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (qint64 i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251 + seed * 17) & 0xff);
  return bytes;
}

[[nodiscard]] inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

[[nodiscard]] inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline KeyMaterial TestKey() {
  KeyMaterial key{};
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7 + 3);
  return key;
}

inline QByteArray Encrypted(const QByteArray& plain, const KeyMaterial& key) {
  QByteArray out(plain.size(), '\0');
  const int64_t n = EncryptBuffer(reinterpret_cast<const uint8_t*>(plain.constData()),
                                  reinterpret_cast<uint8_t*>(out.data()), plain.size(), key.data(), 256,
                                  key.data() + 32);
  return n == plain.size() ? out : QByteArray("<encryption failed>");
}

// Staging and partial files in a directory: what a transfer may have left behind.
inline QStringList TempFilesIn(const QString& directory) {
  return QDir(directory).entryList({QStringLiteral("temp*"), QStringLiteral("tarnholm-temp-*"),
                                    QStringLiteral(".*.tarnholm-part-*")},
                                   QDir::Files | QDir::Hidden | QDir::System);
}

// The main window with a local list, as start-up builds them, and the
// records of interrupted transfers in a folder of its own.
struct TransferWindow {
  AppState state;
  QTemporaryDir records;
  TransferWindow() {
    CreateMainWindow(state.main, [](const Event&) {});
    state.main.serverList->setColumnCount(3);
    SetupLocalList(state, [this](EventType) { FollowLocalList(state); });
    SetResumeRecordFile(RecordFile());
  }
  ~TransferWindow() {
    state.ftpSession.reset();
    SetResumeRecordFile(QString());
    DestroyLocalList(state);
    delete state.main.window;
  }
  QString RecordFile() const { return records.filePath(QString::fromLatin1(kResumeRecordsName)); }
  // Lets the running job end and its result arrive.
  void Settle() { WaitForServerJob(state); }
  void ShowLocal(const QString& directory) {
    SetLocalDirectory(state, directory);
    FollowLocalList(state);
  }
  // Selects the local rows with these names (and nothing else).
  void SelectLocal(const QStringList& names) {
    QTreeWidget* list = state.main.localList;
    list->clearSelection();
    for (int row = 0; row < LocalRowCount(state); ++row) {
      if (names.contains(LocalRowName(state, row))) list->topLevelItem(row)->setSelected(true);
    }
  }
  // The selected local file names in row order, as an upload takes them.
  QStringList SelectedLocalNames() const {
    QStringList names;
    for (const QString& path : SelectedLocalFiles(state)) names << QFileInfo(path).fileName();
    return names;
  }
  void SelectServer(const QStringList& names) {
    QTreeWidget* list = state.main.serverList;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      list->topLevelItem(row)->setSelected(names.contains(list->topLevelItem(row)->text(0)));
    }
  }
  QStringList ServerNames() const {
    QStringList names;
    for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
      names << state.main.serverList->topLevelItem(row)->text(0);
    }
    return names;
  }
  QStringList StatusTexts() const {
    QStringList texts;
    for (const QString& line : state.main.messageArea->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      texts << line.mid(11);  // without "hh:ii:ss   "
    }
    return texts;
  }
};
