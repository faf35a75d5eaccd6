#pragma once
// Walking a server folder that is downloaded or deleted whole, on the
// engine's worker: each folder is made current and listed, from the chosen
// one down. Names that are not one path component are left out as in the
// list, links are not followed (the backend marks them), and the walk is
// bounded in depth and size, so a server cannot lead it outside the chosen
// folder or on without end. Pure: no widgets, no application state.

#include <QString>
#include <functional>

#include "ftp/Engine.h"
#include "ftp/FolderTree.h"

struct ServerWalk {
  bool ok = false;
  bool failed = false;    // a folder could not be made current or listed
  FolderTree tree;
  int64_t errorClass = 0;
  bool cancelled = false;
  bool lost = false;      // the connection is gone (or its folder could not be set back)
  bool tooLarge = false;  // deeper than kMaxFolderDepth, or more than kMaxTreeEntries
  QString failedFolder;   // relative path of the folder that could not be read ("" the chosen one)
};

// folder: absolute, ending in "/". Afterwards `current` is the backend's
// folder again, whatever happened (the bare names of later commands count
// from it). count is called now and then with the entries read so far.
[[nodiscard]] ServerWalk WalkServerFolder(const JobContext& ctx, const QString& folder, const QString& current,
                                          const std::function<void(int64_t)>& count = {});

// Makes `folder` the backend's current folder again after a walk, also when
// the walk was cancelled. False when the server no longer takes it.
[[nodiscard]] bool ReturnToFolder(const JobContext& ctx, const QString& folder);
