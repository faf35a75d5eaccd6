#pragma once
// Connecting, changing directory and the server commands as the engine's
// worker runs them. Each ends with the folder listed again where the program
// shows the list afterwards. Pure: no widgets, no application state.

#include <QString>
#include <QStringList>

#include "ftp/ServerListing.h"
#include "ftp/backend/TarnholmFtp.h"

struct ConnectRequest {
  int protocol = 1;
  QString host;
  int port = 21;
  QString user;
  QString password;
  QString hostFolder;  // the profile's folder; SFTP with "/" opens the login folder
  QString keyTypes;    // host-key types remembered for this host, offered first
  TarnholmTrustFn trust = nullptr;  // asks about identities the backend cannot verify
  void* trustUser = nullptr;
};

struct FolderResult {
  bool opened = false;   // connect: the login succeeded
  bool changed = false;  // change of directory: the server confirmed it
  int64_t errorClass = 0;
  bool cancelled = false;
  QString folder;        // the folder the server confirms as current
  ListingResult listing;
};

using CountFn = std::function<void(int64_t)>;

[[nodiscard]] FolderResult ConnectAndList(const JobContext& ctx, const ConnectRequest& request, const CountFn& count);
// path: ".." or an absolute folder ending in "/".
[[nodiscard]] FolderResult ChangeFolderAndList(const JobContext& ctx, const QString& path, const QString& current,
                                               const CountFn& count);
[[nodiscard]] FolderResult ListFolder(const JobContext& ctx, const QString& current, const CountFn& count);

struct CommandResult {
  bool ok = false;
  int done = 0;          // deletes: names deleted, from the first on
  int64_t errorClass = 0;
  bool cancelled = false;
  bool lost = false;
  bool listed = false;
  ListingResult listing;
};

// (A folder is deleted with its content: TreeDelete.h.)
enum class ServerCommand { Rename, CreateDirectory, DeleteFiles };

// Rename: names {from, to} (absolute); create: {path}; deletes: bare names in
// the current folder. The folder is listed again after a success, and after a
// file delete whatever its outcome.
[[nodiscard]] CommandResult RunServerCommand(const JobContext& ctx, ServerCommand command, const QStringList& names);

// Closes the connection; never fails.
void CloseOnServer(const JobContext& ctx);
