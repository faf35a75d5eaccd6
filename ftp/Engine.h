#pragma once
// The worker thread that owns the server connection. Jobs run on it one after
// the other, and only they call the backend, so the window never waits on the
// network. A job reports back through the post function given at start, which
// runs a closure on the owner's thread. Pure: no widgets, no application state.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct FtpFunctions;

// Runs a closure later on the owner's thread, never inline.
using EnginePost = std::function<void(std::function<void()>)>;

// What a running job sees.
struct JobContext {
  const FtpFunctions& ftp;
  int64_t conn;                      // the connection number every call passes
  char16_t* msg;                     // the backend's message buffer (1024 + NUL), this thread's own
  const std::atomic<bool>& cancelled;  // the user cancelled this job
  const std::atomic<bool>& stopping;   // the engine is shutting down
  const EnginePost& post;
  [[nodiscard]] bool Cancelled() const { return cancelled.load() || stopping.load(); }
};

using EngineJob = std::function<void(JobContext&)>;

struct Engine;

// Starts the worker for connection number conn. The functions must outlive the engine.
[[nodiscard]] Engine* StartEngine(const FtpFunctions& ftp, int64_t conn, EnginePost post);

// Runs the jobs still queued, then ends the worker and frees the engine. A job
// waiting for its owner (a trust question) sees `stopping` and gives up.
void StopEngine(Engine* engine);

// Queues a job; answers its id (never 0).
[[nodiscard]] int64_t SubmitJob(Engine& engine, EngineJob job);

// Cancels the job with this id: a queued one starts cancelled, a running one
// sees `cancelled` and its backend call is made to fail (within half a
// second where the backend can cancel). A finished job is left alone: a click
// that comes late never reaches the job after it.
void CancelJob(Engine& engine, int64_t id);
