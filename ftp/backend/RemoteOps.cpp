#include "RemoteOps.h"

#include "FtpSession.h"
#include "SftpSession.h"

namespace tarnholm::backend {

void FtpSessionCloser::operator()(FtpSession* s) const { FtpClose(s); }

void SftpSessionCloser::operator()(SftpSession* s) const { SftpClose(s); }

namespace {

bool NoSession(Failure& error) { return Fail(error, ErrorClass::Other, "connection has no session"); }

// Runs the SFTP or the FTP form of an operation, whichever the connection has.
#define DISPATCH(c, error, sftpCall, ftpCall) ((c).sftp ? (sftpCall) : (c).ftp ? (ftpCall) : NoSession(error))

}  // namespace

std::unique_ptr<Connection> RemoteOpen(const OpenRequest& r, Failure& error) {
  auto c = std::make_unique<Connection>();
  c->protocol = r.protocol;
  c->cancel = r.cancel;
  if (r.protocol == Protocol::Sftp) {
    SftpLogin login;
    login.host = r.host;
    login.port = r.port;
    login.user = r.user;
    login.password = r.password;
    login.trust = r.trust;
    login.preferredKeyTypes = r.preferredKeyTypes;
    login.cancel = r.cancel;
    c->sftp.reset(SftpOpen(login, error));
    if (!c->sftp || !SftpRealPath(c->sftp.get(), ".", c->directory, error)) return nullptr;
    if (c->directory.empty() || c->directory.back() != '/') c->directory += '/';
    return c;
  }
  FtpLogin login;
  login.host = r.host;
  login.port = r.port;
  login.user = r.user;
  login.password = r.password;
  login.trust = r.trust;
  login.cancel = r.cancel;
  login.security = r.protocol == Protocol::FtpsImplicit   ? FtpSecurity::Implicit
                   : r.protocol == Protocol::FtpsExplicit ? FtpSecurity::Explicit
                                                          : FtpSecurity::None;
  c->ftp.reset(FtpOpen(login, c->directory, error));
  return c->ftp ? std::move(c) : nullptr;
}

bool RemoteCheck(Connection& c, Failure& error) {
  std::string ignored;
  return DISPATCH(c, error, SftpRealPath(c.sftp.get(), ".", ignored, error), FtpCheck(c.ftp.get(), error));
}

bool RemoteIsDirectory(Connection& c, const std::string& absDir, Failure& error) {
  return DISPATCH(c, error, SftpIsDirectory(c.sftp.get(), absDir, error), FtpIsDirectory(c.ftp.get(), absDir, error));
}

bool RemoteList(Connection& c, const std::string& absDir, std::vector<DirEntry>& out, Failure& error) {
  return DISPATCH(c, error, SftpList(c.sftp.get(), absDir, out, error), FtpList(c.ftp.get(), absDir, out, error));
}

bool RemoteMakeDirectory(Connection& c, const std::string& absPath, Failure& error) {
  return DISPATCH(c, error, SftpMakeDirectory(c.sftp.get(), absPath, error),
                  FtpMakeDirectory(c.ftp.get(), absPath, error));
}

bool RemoteRemoveDirectory(Connection& c, const std::string& absPath, Failure& error) {
  return DISPATCH(c, error, SftpRemoveDirectory(c.sftp.get(), absPath, error),
                  FtpRemoveDirectory(c.ftp.get(), absPath, error));
}

bool RemoteRemoveFile(Connection& c, const std::string& absPath, Failure& error) {
  return DISPATCH(c, error, SftpRemoveFile(c.sftp.get(), absPath, error), FtpRemoveFile(c.ftp.get(), absPath, error));
}

bool RemoteRename(Connection& c, const std::string& from, const std::string& to, Failure& error) {
  return DISPATCH(c, error, SftpRename(c.sftp.get(), from, to, error), FtpRename(c.ftp.get(), from, to, error));
}

bool RemoteReplace(Connection& c, const std::string& from, const std::string& to, Failure& error) {
  if (DISPATCH(c, error, SftpReplace(c.sftp.get(), from, to, error), FtpRename(c.ftp.get(), from, to, error))) {
    return true;
  }
  if (error.cls != ErrorClass::Cancelled && error.cls != ErrorClass::ConnectionLost &&
      error.cls != ErrorClass::Timeout) {
    error.cls = ErrorClass::ReplaceRefused;
  }
  return false;
}

bool RemoteFileSize(Connection& c, const std::string& absPath, int64_t& size, Failure& error) {
  return DISPATCH(c, error, SftpFileSize(c.sftp.get(), absPath, size, error),
                  FtpFileSize(c.ftp.get(), absPath, size, error));
}

}  // namespace tarnholm::backend
