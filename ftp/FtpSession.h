#pragma once
// The transfer engine as the window uses it. One job at a time runs on the
// engine's worker; while it runs, the commands that would start another are
// disabled or refused with a status line (never queued for later), the cancel
// control and Escape end it, and its progress shows under the lists. Results
// come back to the GUI thread, where the command that started the job
// finishes. The server list's rows live here as records.

#include <QSet>
#include <QString>
#include <QVector>
#include <atomic>
#include <functional>
#include <memory>

#include "ftp/Engine.h"
#include "ftp/ServerEntry.h"
#include "ftp/ServerSort.h"
#include "ftp/backend/TarnholmFtp.h"
#include "state/AppState.h"

class QObject;
class QTemporaryDir;

struct FtpSession {
  AppState* owner = nullptr;
  Engine* engine = nullptr;
  QObject* context = nullptr;      // lives on the GUI thread; the engine's posts go to it
  int64_t job = 0;                 // id of the running job, 0 when idle
  QString jobLabel;                // what it does ("Upload", ...), for refusals and the quit question
  bool filling = false;            // the server list is still being filled in slices
  QVector<ServerEntry> rows;       // the server list's rows as records; row 0 is ".."
  int shownRows = 0;               // how many of them the widget holds yet
  ServerSort sort;                 // the order the rows are shown in
  QSet<QString> reselect;          // names to select again as their rows are shown
  std::unique_ptr<QTemporaryDir> dragFolder;  // what the last drag out downloaded for another program
  std::atomic<const JobContext*> running{nullptr};  // the job on the worker, for trust questions
  ~FtpSession();                   // cancels the running job, ends the engine, drops its pending posts
};

// The session, created with its engine on first use. Null without the library.
[[nodiscard]] FtpSession* Session(AppState& state);

// Start-up: removes what an abrupt end of the last run left of partial and
// staging files (noted in a journal in the working directory), then starts
// the engine.
void StartFtpEngine(AppState& state);

// "Beenden" or the close box: true when the program may end now; while a job
// runs, only once the user agreed to cancel it (the shutdown then does).
[[nodiscard]] bool ConfirmQuitDuringJob(AppState& state);

// A job is running, or the list it produced is still being filled.
[[nodiscard]] bool ServerJobRunning(const AppState& state);

// While a job runs: tells so in a status line and answers true.
[[nodiscard]] bool RefuseWhileBusy(AppState& state);

// Runs work on the worker; done gets its result on the GUI thread, after the
// session is idle again (so it may start the next job). False (and nothing
// runs) without the library or while a job runs.
template <typename Result>
bool RunServerJob(AppState& state, const QString& label, std::function<Result(const JobContext&)> work,
                  std::function<void(AppState&, Result&)> done);

// Ends the running job as soon as it can (the cancel control and Escape).
void CancelServerJob(AppState& state);

// Waits (on the GUI thread, without handling input) until the running job has
// ended and its result was handled. For shutdown and tests.
void WaitForServerJob(AppState& state);

// The line under the lists and the progress bar (value 0..1000, -1 keeps it).
void ShowJobProgress(AppState& state, const QString& text, int barValue = -1);

// Posts from the worker to the GUI thread (dropped once the session is gone).
void PostToWindow(const JobContext& ctx, std::function<void()> fn);

// The backend's trust callback (user: the session): asks the question on the
// GUI thread while the worker waits; a cancelled or ending job answers No.
int ForwardTrustQuestion(void* session, const TarnholmTrustQuestion* question);

// Internal to RunServerJob.
[[nodiscard]] FtpSession* BeginServerJob(AppState& state, const QString& label);
void EndServerJob(AppState& state);
void SetRunningJob(FtpSession& session, const JobContext* ctx);

template <typename Result>
bool RunServerJob(AppState& state, const QString& label, std::function<Result(const JobContext&)> work,
                  std::function<void(AppState&, Result&)> done) {
  FtpSession* session = BeginServerJob(state, label);
  if (session == nullptr) return false;
  AppState* owner = &state;
  session->job = SubmitJob(*session->engine, [owner, session, work = std::move(work),
                                                done = std::move(done)](JobContext& ctx) {
    SetRunningJob(*session, &ctx);
    auto result = std::make_shared<Result>(work(ctx));
    SetRunningJob(*session, nullptr);
    ctx.post([owner, result, done] {
      EndServerJob(*owner);
      done(*owner, *result);
    });
  });
  return true;
}
