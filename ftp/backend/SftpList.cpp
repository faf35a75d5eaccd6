#include <libssh/sftp.h>

#include "ftp/backend/DateValue.h"
#include "ftp/backend/ListingCollector.h"
#include "ftp/backend/SftpInternal.h"
#include "ftp/backend/SftpSession.h"

namespace tarnholm::backend {
namespace {

EntryType TypeOf(uint8_t sftpType) {
  switch (sftpType) {
    case SSH_FILEXFER_TYPE_DIRECTORY: return EntryType::Directory;
    case SSH_FILEXFER_TYPE_REGULAR: return EntryType::File;
    default: return EntryType::Other;
  }
}

std::string ChildPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

DirEntry EntryFrom(const sftp_attributes_struct& attributes) {
  DirEntry entry;
  entry.name = attributes.name != nullptr ? attributes.name : "";
  entry.type = TypeOf(attributes.type);
  if (attributes.flags & SSH_FILEXFER_ATTR_SIZE) {
    entry.size = static_cast<int64_t>(attributes.size);
  }
  if (attributes.flags & SSH_FILEXFER_ATTR_ACMODTIME) {
    entry.date = DateValueFromUtc(attributes.mtime);
  }
  return entry;
}

bool Abandon(std::vector<DirEntry>& out, bool result) {
  std::vector<DirEntry>().swap(out);
  return result;
}

}  // namespace

bool SftpList(SftpSession* session, const std::string& absDir, std::vector<DirEntry>& out, Failure& error) {
  out.clear();
  if (!Usable(session, error)) return false;
  // The watchdog bounds each wait for the server, not the whole listing: a
  // large folder on a slow line may take minutes and still be fine.
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  sftp_session sftp = session->sftp.get();
  SftpDirPtr dir(sftp_opendir(sftp, absDir.c_str()));
  if (!dir) return SftpFail(session, "list", absDir, error);
  EntryCollector collector;
  collector.entries = &out;
  // Links are resolved after the directory is read, so that no other request
  // interleaves with the directory reads.
  std::vector<size_t> links;
  for (;;) {
    if (CancelRequested(session->cancel)) return Abandon(out, SftpFail(session, "list", absDir, error));
    SftpAttributesPtr attributes{sftp_readdir(sftp, dir.get())};
    if (!attributes) break;
    ArmWatchdog(session->watchdog, session->noAnswerSeconds);  // the server answered
    const bool link = attributes->type == SSH_FILEXFER_TYPE_SYMLINK;
    if (!CollectEntry(collector, EntryFrom(*attributes))) {
      return Abandon(out, Fail(error, ErrorClass::ListingTooLarge,
                               "list " + absDir + ": more than " + std::to_string(collector.limits.maxEntries) +
                                   " entries or " + std::to_string(collector.limits.maxBytes >> 20) + " MiB"));
    }
    if (link) links.push_back(out.size() - 1);
  }
  if (!sftp_dir_eof(dir.get()) || sftp_closedir(dir.release()) != SSH_OK) {
    return Abandon(out, SftpFail(session, "list", absDir, error));
  }
  for (const size_t index : links) {
    if (CancelRequested(session->cancel)) return Abandon(out, SftpFail(session, "list", absDir, error));
    DirEntry& entry = out[index];
    const std::string path = ChildPath(absDir, entry.name);
    SftpAttributesPtr target(sftp_stat(sftp, path.c_str()));
    if (!target) {
      // The server's answer (a dangling link, still something the user may
      // delete or rename) types the entry as a file; a session that broke on
      // the way fails the whole listing instead.
      if (!SessionAlive(session)) return Abandon(out, SftpFail(session, "list", path, error));
      entry.type = EntryType::File;
      entry.link = true;
      continue;
    }
    ArmWatchdog(session->watchdog, session->noAnswerSeconds);
    const DirEntry resolved = EntryFrom(*target);
    entry.link = true;
    entry.type = resolved.type;
    entry.size = resolved.size;
    entry.date = resolved.date;
  }
  return true;
}

}  // namespace tarnholm::backend
