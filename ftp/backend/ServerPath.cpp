#include "ServerPath.h"

#include <cstdio>

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

std::string TemporarySibling(std::string_view absPath, uint32_t random) {
  constexpr std::size_t kMaxName = 255;
  const auto slash = absPath.rfind('/');
  const std::string_view dir = slash == std::string_view::npos ? std::string_view() : absPath.substr(0, slash + 1);
  std::string_view name = slash == std::string_view::npos ? absPath : absPath.substr(slash + 1);
  char tail[16];
  std::snprintf(tail, sizeof tail, ".%08x.part", static_cast<unsigned>(random));
  const std::size_t room = kMaxName - 1 - (sizeof ".00000000.part" - 1);
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    name = name.substr(0, cut);
  }
  return std::string(dir) + "." + std::string(name) + tail;
}

}  // namespace tarnholm::backend
