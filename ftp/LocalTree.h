#pragma once
// Walking a local folder that is uploaded whole. Links are never followed
// out of the chosen folder: a link to a file whose target lies inside it is
// uploaded as that file, every other link (to a folder, outside, or
// dangling) is left out and named, as are special files (pipes, devices).
// Pure: no widgets, no application state.

#include <QString>

#include "ftp/FolderTree.h"

struct LocalWalk {
  bool ok = false;
  FolderTree tree;
  QString failedPath;  // the folder that could not be read, or where the bounds were passed
  int error = 0;       // errno of the failure; 0 when a bound was passed
};

// folder: an absolute path, with or without a trailing "/".
[[nodiscard]] LocalWalk WalkLocalFolder(const QString& folder);
