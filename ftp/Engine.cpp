#include "ftp/Engine.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "ftp/FtpFunctions.h"

struct Engine {
  const FtpFunctions& ftp;
  int64_t conn;
  EnginePost post;
  std::u16string message = std::u16string(1025, u' ');

  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::pair<int64_t, EngineJob>> queue;
  std::set<int64_t> cancelledBeforeStart;
  int64_t nextId = 1;
  int64_t running = 0;  // id of the job on the worker, 0 between jobs
  std::atomic<bool> cancelled{false};
  std::atomic<bool> stopping{false};
  std::thread worker;

  Engine(const FtpFunctions& f, int64_t c, EnginePost p) : ftp(f), conn(c), post(std::move(p)) {}
};

namespace {

void Work(Engine& e) {
  for (;;) {
    std::unique_lock lock(e.mutex);
    e.wake.wait(lock, [&e] { return e.stopping.load() || !e.queue.empty(); });
    if (e.queue.empty()) return;
    auto [id, job] = std::move(e.queue.front());
    e.queue.pop_front();
    e.running = id;
    const bool early = e.cancelledBeforeStart.erase(id) > 0;
    e.cancelled = early;
    // The backend's cancel is sticky: one meant for an earlier job ends here.
    if (e.ftp.CancelFTPEx != nullptr) (void)e.ftp.CancelFTPEx(e.conn, early ? 1 : 0);
    lock.unlock();

    // A job that shuts down must still end; the engine outlives nothing it calls.
    const std::atomic<bool>& stopFlag = e.stopping;
    JobContext context{e.ftp, e.conn, e.message.data(), e.cancelled, stopFlag, e.post};
    job(context);

    lock.lock();
    e.running = 0;
  }
}

}  // namespace

Engine* StartEngine(const FtpFunctions& ftp, int64_t conn, EnginePost post) {
  auto* engine = new Engine(ftp, conn, std::move(post));
  engine->worker = std::thread([engine] { Work(*engine); });
  return engine;
}

void StopEngine(Engine* engine) {
  if (engine == nullptr) return;
  {
    std::lock_guard lock(engine->mutex);
    engine->stopping = true;
  }
  engine->wake.notify_all();
  engine->worker.join();
  delete engine;
}

int64_t SubmitJob(Engine& engine, EngineJob job) {
  int64_t id = 0;
  {
    std::lock_guard lock(engine.mutex);
    id = engine.nextId++;
    engine.queue.emplace_back(id, std::move(job));
  }
  engine.wake.notify_all();
  return id;
}

void CancelJob(Engine& engine, int64_t id) {
  std::lock_guard lock(engine.mutex);
  if (engine.running == id) {
    engine.cancelled = true;
    if (engine.ftp.CancelFTPEx != nullptr) (void)engine.ftp.CancelFTPEx(engine.conn, 1);
    return;
  }
  for (const auto& queued : engine.queue) {
    if (queued.first == id) engine.cancelledBeforeStart.insert(id);
  }
}
