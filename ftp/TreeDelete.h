#pragma once
// Deleting a server folder with everything below it, on the engine's
// worker, from what a walk found: the files (links among them, which are
// deleted, never followed), then the folders deepest first, then the folder
// itself. The first refusal stops it. Pure: no widgets, no application state.

#include <QString>
#include <functional>

#include "ftp/Engine.h"
#include "ftp/FolderTree.h"
#include "ftp/ServerListing.h"

struct TreeDeleteResult {
  bool ok = false;
  QString failedPath;     // relative to the folder's parent ("Fotos/a.jpg"); empty when none failed
  bool failedIsFolder = false;
  int64_t errorClass = 0;
  bool cancelled = false;
  bool lost = false;
  int filesLeft = 0;      // what is still there below the folder
  int foldersLeft = 0;
  bool listed = false;    // the shown folder was listed again (also after a refusal)
  ListingResult listing;
};

// The files and the folders below a walked folder, links counted as files.
struct TreeCounts {
  int files = 0;
  int folders = 0;
};
[[nodiscard]] TreeCounts CountTree(const FolderTree& tree);

// folder: a name in `current` (the backend's folder, absolute, ending in "/").
// progress(done, total) now and then.
[[nodiscard]] TreeDeleteResult DeleteServerTree(const JobContext& ctx, const QString& current, const QString& folder,
                                                const FolderTree& tree,
                                                const std::function<void(int, int)>& progress = {});
