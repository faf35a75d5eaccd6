#include <libssh/sftp.h>

#include "ftp/backend/DateValue.h"
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

}  // namespace

bool SftpList(SftpSession* session, const std::string& absDir, std::vector<DirEntry>& out,
              std::string& error) {
  out.clear();
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  sftp_session sftp = session->sftp.get();
  SftpDirPtr dir(sftp_opendir(sftp, absDir.c_str()));
  if (!dir) {
    error = SftpFailure(session, "list", absDir);
    return false;
  }
  // Links are resolved after the directory is read, so that no other request
  // interleaves with the directory reads.
  std::vector<size_t> links;
  while (SftpAttributesPtr attributes{sftp_readdir(sftp, dir.get())}) {
    if (attributes->type == SSH_FILEXFER_TYPE_SYMLINK) links.push_back(out.size());
    out.push_back(EntryFrom(*attributes));
  }
  if (!sftp_dir_eof(dir.get())) {
    error = SftpFailure(session, "list", absDir);
    out.clear();
    return false;
  }
  if (sftp_closedir(dir.release()) != SSH_OK) {
    error = SftpFailure(session, "list", absDir);
    out.clear();
    return false;
  }
  for (const size_t index : links) {
    DirEntry& entry = out[index];
    SftpAttributesPtr target(sftp_stat(sftp, ChildPath(absDir, entry.name).c_str()));
    if (!target) {
      // A dangling link still names something the user may delete or rename.
      entry.type = EntryType::File;
      continue;
    }
    const DirEntry resolved = EntryFrom(*target);
    entry.type = resolved.type;
    entry.size = resolved.size;
    entry.date = resolved.date;
  }
  return true;
}

}  // namespace tarnholm::backend
