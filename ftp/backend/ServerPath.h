#pragma once
// Server paths as the library keeps them: absolute, "/"-separated; a
// directory path ends with "/".

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnholm::backend {

// The directory above dir ("/a/b/" gives "/a/"); "/" stays "/".
[[nodiscard]] std::string ParentDirectory(std::string_view dir);

// Target of a directory change from cwd: "..", an absolute path or a name
// in cwd; the result ends with "/". false for empty or unsafe text.
[[nodiscard]] bool ResolveDirectory(std::string_view cwd, std::string_view path, std::string& out);

// An absolute path for path (absolute already, or a name in cwd); a trailing
// "/" is dropped. false for empty or unsafe text, or for "/" itself.
[[nodiscard]] bool ResolveEntry(std::string_view cwd, std::string_view path, std::string& out);

// Splits "/a/b/name" into "/a/b/" and "name". false when there is no name.
[[nodiscard]] bool SplitEntry(std::string_view absPath, std::string& dir, std::string& name);

// A fresh name beside absPath for a send that replaces it only when
// complete: "/dir/.name.<8 hex digits of random>.part", the name cut (on a
// UTF-8 character boundary) so that the result stays within 255 bytes.
[[nodiscard]] std::string TemporarySibling(std::string_view absPath, uint32_t random);

// Text that would end or inject an FTP command line (CR, LF, NUL).
[[nodiscard]] bool IsUnsafeForCommand(std::string_view text);

}  // namespace tarnholm::backend
