#include "BackendLib.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace tarnholm::testing {
namespace {

template <class Fn>
bool Resolve(void* handle, const char* name, Fn& out, std::string& error) {
  out = reinterpret_cast<Fn>(dlsym(handle, name));
  if (out == nullptr) error = std::string("missing export ") + name;
  return out != nullptr;
}

}  // namespace

bool LoadBackend(const std::string& path, BackendLib& out, std::string& error) {
  out = BackendLib{};
  out.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (out.handle == nullptr) {
    const char* why = dlerror();
    error = why != nullptr ? why : "dlopen failed";
    return false;
  }
  void* h = out.handle;
  return Resolve(h, "OpenFTPEx", out.Open, error) && Resolve(h, "CloseFTPEx", out.Close, error) &&
         Resolve(h, "ExamineFTPDirectoryEx", out.Examine, error) &&
         Resolve(h, "NextFTPDirectoryEntryEx", out.Next, error) &&
         Resolve(h, "FTPDirectoryEntryNameEx", out.EntryName, error) &&
         Resolve(h, "FTPDirectoryEntrySizeEx", out.EntrySize, error) &&
         Resolve(h, "FTPDirectoryEntryDateEx", out.EntryDate, error) &&
         Resolve(h, "FTPDirectoryEntryTypeEx", out.EntryType, error) &&
         Resolve(h, "FTPDirectoryEntryAttributesEx", out.EntryAttributes, error) &&
         Resolve(h, "FinishFTPDirectoryEx", out.Finish, error) &&
         Resolve(h, "SetFTPDirectoryEx", out.SetDirectory, error) &&
         Resolve(h, "GetFTPDirectoryEx", out.GetDirectory, error) &&
         Resolve(h, "CreateFTPDirectoryEx", out.CreateDirectory, error) &&
         Resolve(h, "DeleteFTPDirectoryEx", out.DeleteDirectory, error) &&
         Resolve(h, "DeleteFTPFileEx", out.DeleteFile, error) && Resolve(h, "RenameFTPFileEx", out.Rename, error) &&
         Resolve(h, "ReceiveFTPFileEx", out.Receive, error) && Resolve(h, "SendFTPFileEx", out.Send, error) &&
         Resolve(h, "CheckFTPConnectionEx", out.Check, error) && Resolve(h, "IsFTPEx", out.IsFtp, error) &&
         Resolve(h, "SetFTPProgressCallbackEx", out.SetProgress, error) &&
         Resolve(h, "SetFTPTrustCallbackEx", out.SetTrust, error) &&
         Resolve(h, "SetFTPHostKeyPreferenceEx", out.SetHostKeyPreference, error) &&
         Resolve(h, "FTPLastErrorClassEx", out.LastErrorClass, error) &&
         Resolve(h, "SendFTPStreamEx", out.SendStream, error) &&
         Resolve(h, "ReceiveFTPStreamEx", out.ReceiveStream, error) && Resolve(h, "FTPFileSizeEx", out.FileSize, error) &&
         Resolve(h, "ReplaceFTPFileEx", out.Replace, error) && Resolve(h, "CancelFTPEx", out.Cancel, error);
}

const BackendLib& Backend() {
  static std::string error;
  static const BackendLib lib = [] {
    BackendLib l;
    (void)LoadBackend(TARNHOLM_FTP_LIBRARY, l, error);
    return l;
  }();
  if (lib.Cancel == nullptr) ADD_FAILURE() << "cannot load the FTP back end: " << error;
  return lib;
}

}  // namespace tarnholm::testing
