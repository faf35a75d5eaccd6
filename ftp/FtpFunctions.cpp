#include "ftp/FtpFunctions.h"

namespace {

template <typename Fn>
bool Resolve(QLibrary& library, const char* name, Fn& function) {
  function = reinterpret_cast<Fn>(library.resolve(name));
  return function != nullptr;
}

}  // namespace

bool ResolveFtpFunctions(QLibrary& l, FtpFunctions& f) {
  bool all = Resolve(l, "OpenFTPEx", f.OpenFTPEx);
  all &= Resolve(l, "CloseFTPEx", f.CloseFTPEx);
  all &= Resolve(l, "ExamineFTPDirectoryEx", f.ExamineFTPDirectoryEx);
  all &= Resolve(l, "NextFTPDirectoryEntryEx", f.NextFTPDirectoryEntryEx);
  all &= Resolve(l, "FTPDirectoryEntryNameEx", f.FTPDirectoryEntryNameEx);
  all &= Resolve(l, "FTPDirectoryEntrySizeEx", f.FTPDirectoryEntrySizeEx);
  all &= Resolve(l, "FTPDirectoryEntryDateEx", f.FTPDirectoryEntryDateEx);
  all &= Resolve(l, "FTPDirectoryEntryTypeEx", f.FTPDirectoryEntryTypeEx);
  all &= Resolve(l, "FinishFTPDirectoryEx", f.FinishFTPDirectoryEx);
  all &= Resolve(l, "SetFTPDirectoryEx", f.SetFTPDirectoryEx);
  all &= Resolve(l, "CreateFTPDirectoryEx", f.CreateFTPDirectoryEx);
  all &= Resolve(l, "DeleteFTPDirectoryEx", f.DeleteFTPDirectoryEx);
  all &= Resolve(l, "DeleteFTPFileEx", f.DeleteFTPFileEx);
  all &= Resolve(l, "RenameFTPFileEx", f.RenameFTPFileEx);
  all &= Resolve(l, "ReceiveFTPFileEx", f.ReceiveFTPFileEx);
  all &= Resolve(l, "SendFTPFileEx", f.SendFTPFileEx);
  all &= Resolve(l, "CheckFTPConnectionEx", f.CheckFTPConnectionEx);
  all &= Resolve(l, "IsFTPEx", f.IsFTPEx);
  all &= Resolve(l, "GetFTPDirectoryEx", f.GetFTPDirectoryEx);
  all &= Resolve(l, "FTPDirectoryEntryAttributesEx", f.FTPDirectoryEntryAttributesEx);
  (void)Resolve(l, "SetFTPProgressCallbackEx", f.SetFTPProgressCallbackEx);
  (void)Resolve(l, "SetFTPTrustCallbackEx", f.SetFTPTrustCallbackEx);
  (void)Resolve(l, "FTPLastErrorClassEx", f.FTPLastErrorClassEx);
  (void)Resolve(l, "SendFTPStreamEx", f.SendFTPStreamEx);
  (void)Resolve(l, "ReceiveFTPStreamEx", f.ReceiveFTPStreamEx);
  (void)Resolve(l, "CancelFTPEx", f.CancelFTPEx);
  (void)Resolve(l, "SetFTPHostKeyPreferenceEx", f.SetFTPHostKeyPreferenceEx);
  (void)Resolve(l, "FTPFileSizeEx", f.FTPFileSizeEx);
  (void)Resolve(l, "ReplaceFTPFileEx", f.ReplaceFTPFileEx);
  return all;
}

int64_t LastErrorClass(const FtpFunctions& ftp, int64_t conn) {
  return ftp.FTPLastErrorClassEx != nullptr ? ftp.FTPLastErrorClassEx(conn) : kFtpErrorUnknown;
}
