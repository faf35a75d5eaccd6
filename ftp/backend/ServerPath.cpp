#include "ServerPath.h"

namespace tarnholm::backend {

bool IsUnsafeForCommand(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string ParentDirectory(std::string_view dir) {
  std::string d(dir);
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  const auto slash = d.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return d.substr(0, slash + 1);
}

bool ResolveDirectory(std::string_view cwd, std::string_view path, std::string& out) {
  if (path.empty() || IsUnsafeForCommand(path)) return false;
  if (path == "..") {
    out = ParentDirectory(cwd);
    return true;
  }
  out = path.front() == '/' ? std::string(path) : std::string(cwd) + std::string(path);
  if (out.back() != '/') out += '/';
  return true;
}

bool ResolveEntry(std::string_view cwd, std::string_view path, std::string& out) {
  if (path.empty() || IsUnsafeForCommand(path)) return false;
  out = path.front() == '/' ? std::string(path) : std::string(cwd) + std::string(path);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out != "/";
}

bool SplitEntry(std::string_view absPath, std::string& dir, std::string& name) {
  const auto slash = absPath.rfind('/');
  if (slash == std::string_view::npos || slash + 1 == absPath.size()) return false;
  dir = std::string(absPath.substr(0, slash + 1));
  name = std::string(absPath.substr(slash + 1));
  return true;
}

}  // namespace tarnholm::backend
