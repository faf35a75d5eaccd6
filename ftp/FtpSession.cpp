#include "ftp/FtpSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <condition_variable>
#include <mutex>
#include <string>

#include <QDir>
#include <QTemporaryDir>

#include "ftp/FtpLibrary.h"
#include "ftp/LocalPartial.h"
#include "ftp/ResumeRecords.h"
#include "ftp/Trust.h"
#include "state/StatusLog.h"
#include "ui/MessageBox.h"

namespace {

constexpr int64_t kConnectionNumber = 1;

// Commands that would start another job are disabled while one runs.
void ShowBusyLook(AppState& state, bool busy) {
  MainWindowWidgets& w = state.main;
  for (QPushButton* button : {w.uploadButton, w.downloadButton, w.connectButton, w.settingsButton}) {
    if (button != nullptr) button->setEnabled(!busy);
  }
  // Drops are refused like the arrows; the lists show it while the drag is on them.
  for (QTreeWidget* list : {w.serverList, w.localList}) {
    if (list != nullptr) list->setAcceptDrops(!busy);
  }
  if (w.cancelButton != nullptr) {
    w.cancelButton->setVisible(busy);
    w.cancelButton->setEnabled(busy);
  }
  if (!busy && w.progressText != nullptr) w.progressText->clear();
}

// The question as the backend asked it, with texts of its own: the worker
// may give up waiting before the box is answered.
struct QuestionCopy {
  TarnholmTrustQuestion q{};
  std::u16string texts[8];
};

std::shared_ptr<QuestionCopy> CopyQuestion(const TarnholmTrustQuestion& in) {
  auto copy = std::make_shared<QuestionCopy>();
  copy->q = in;  // every field, also those a newer backend appends
  const char16_t** fields[] = {&copy->q.host,    &copy->q.fingerprint, &copy->q.publicKey, &copy->q.subject,
                               &copy->q.issuer,  &copy->q.validFrom,   &copy->q.validUntil, &copy->q.reason};
  for (int i = 0; i < 8; ++i) {
    copy->texts[i] = *fields[i] != nullptr ? *fields[i] : u"";
    *fields[i] = copy->texts[i].c_str();
  }
  return copy;
}

struct PendingAnswer {
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  int answer = 0;
};

}  // namespace

FtpSession::~FtpSession() {
  // Whatever runs ends now rather than when it is done.
  if (engine != nullptr && job != 0) CancelJob(*engine, job);
  StopEngine(engine);
  engine = nullptr;
  // Posts still queued for the context die with it.
  delete context;
}

FtpSession* Session(AppState& state) {
  if (state.ftpSession) return state.ftpSession.get();
  if (state.ftp == nullptr) return nullptr;
  auto session = std::make_shared<FtpSession>();
  session->owner = &state;
  session->context = new QObject;
  QObject* context = session->context;
  session->engine = StartEngine(*state.ftp, kConnectionNumber, [context](std::function<void()> fn) {
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
  });
  state.ftpSession = std::move(session);
  return state.ftpSession.get();
}

void StartFtpEngine(AppState& state) {
  const QString journal = QDir::current().filePath(QString::fromLatin1(kTransferJournalName));
  (void)RemoveStaleTransferFiles(journal);
  SetTransferJournal(journal);
  SetResumeRecordFile(QDir::current().filePath(QString::fromLatin1(kResumeRecordsName)));
  (void)Session(state);
}

bool ConfirmQuitDuringJob(AppState& state) {
  if (!ServerJobRunning(state)) return true;
  return AskYesNo(state.main.window, QStringLiteral("Frage:"),
                  QStringLiteral("Es läuft noch: %1\n\nSoll der Vorgang abgebrochen und Tarnholm beendet werden?")
                      .arg(state.ftpSession->jobLabel),
                  BoxIcon::Question, true);
}

bool ServerJobRunning(const AppState& state) {
  return state.ftpSession && (state.ftpSession->job != 0 || state.ftpSession->filling);
}

bool RefuseWhileBusy(AppState& state) {
  if (!ServerJobRunning(state)) return false;
  AppendStatusMessage(state, QStringLiteral("Bitte warten: \"%1\" läuft noch (oder abbrechen).")
                                 .arg(state.ftpSession->jobLabel));
  return true;
}

FtpSession* BeginServerJob(AppState& state, const QString& label) {
  if (ServerJobRunning(state)) return nullptr;
  FtpSession* session = Session(state);
  if (session == nullptr) return nullptr;
  session->jobLabel = label;
  ShowBusyLook(state, true);
  ShowJobProgress(state, label + QStringLiteral(" …"));
  return session;
}

void EndServerJob(AppState& state) {
  if (!state.ftpSession) return;
  state.ftpSession->job = 0;
  if (!state.ftpSession->filling) ShowBusyLook(state, false);
}

void SetRunningJob(FtpSession& session, const JobContext* ctx) { session.running = ctx; }

void CancelServerJob(AppState& state) {
  if (!state.ftpSession || state.ftpSession->job == 0) return;
  const FtpFunctions& ftp = *state.ftp;
  CancelJob(*state.ftpSession->engine, state.ftpSession->job);
  ShowJobProgress(state, state.ftpSession->jobLabel + QStringLiteral(" wird abgebrochen …"));
  if (ftp.CancelFTPEx == nullptr && ftp.SetFTPProgressCallbackEx == nullptr) {
    AppendStatusMessage(state, QStringLiteral("Diese FTP-Bibliothek kann nicht mitten in einem Vorgang abbrechen; "
                                              "er endet nach dem laufenden Schritt."));
  }
}

void WaitForServerJob(AppState& state) {
  while (ServerJobRunning(state)) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(1);
  }
}

void ShowJobProgress(AppState& state, const QString& text, int barValue) {
  if (state.main.progressText != nullptr) state.main.progressText->setText(text);
  if (barValue >= 0 && state.main.progressBar != nullptr) state.main.progressBar->setValue(barValue);
}

void PostToWindow(const JobContext& ctx, std::function<void()> fn) { ctx.post(std::move(fn)); }

int ForwardTrustQuestion(void* user, const TarnholmTrustQuestion* question) {
  auto* session = static_cast<FtpSession*>(user);
  const JobContext* ctx = session != nullptr ? session->running.load() : nullptr;
  if (ctx == nullptr || question == nullptr) return 0;
  const std::shared_ptr<QuestionCopy> copy = CopyQuestion(*question);
  const auto pending = std::make_shared<PendingAnswer>();
  AppState* owner = session->owner;
  ctx->post([owner, copy, pending] {
    const int answer = AnswerTrustQuestion(*owner, copy->q);
    std::lock_guard lock(pending->mutex);
    pending->answer = answer;
    pending->done = true;
    pending->answered.notify_all();
  });
  std::unique_lock lock(pending->mutex);
  while (!pending->done) {
    if (ctx->Cancelled()) return 0;
    pending->answered.wait_for(lock, std::chrono::milliseconds(50));
  }
  return pending->answer;
}
