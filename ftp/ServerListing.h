#pragma once
// Reading the current server directory on the engine's worker: one pass over
// the backend's listing into records. Pure: no widgets, no application state.

#include <functional>

#include "ftp/Engine.h"
#include "ftp/ServerEntry.h"

struct ListingResult {
  bool ok = false;
  int64_t errorClass = 0;  // FtpErrorClass of a failure
  bool lost = false;       // the connection is gone
  // The server list's rows, ordered here on the worker: "..", the directories,
  // the files, each group as listed; ".", ".." and unusable names left out.
  // Only ".." after a failure.
  QVector<ServerEntry> rows = ServerRows({});
};

// count is called now and then with the number of entries read so far.
[[nodiscard]] ListingResult ReadServerListing(const JobContext& ctx, const std::function<void(int64_t)>& count = {});

// After a failed call: whether the connection itself is gone (the backend
// says so, or, when it cannot say, no longer answers).
[[nodiscard]] bool ConnectionLost(const JobContext& ctx, int64_t errorClass);

// The folder the server confirms as current, normalised; `fallback` when it
// does not say.
[[nodiscard]] QString ConfirmedFolder(const JobContext& ctx, const QString& fallback);
