// Any bytes as a server listing, in both formats: no crash, and every entry
// has a name without a line feed (a lone CR may be part of a name; the program
// refuses such names later) and a date inside the valid range or none.

#include <cstdlib>
#include <string_view>

#include "ListParser.h"

namespace {

void Check(const std::vector<tarnholm::backend::DirEntry>& entries) {
  for (const auto& entry : entries) {
    if (entry.name.find('\n') != std::string::npos) std::abort();
    if (entry.date < -1 || entry.date > 2147483647) std::abort();
    if (entry.size < 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnholm::backend;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  constexpr int64_t kNow = 1545676200;  // a fixed "now" keeps runs repeatable
  Check(ParseListing(text, ListingFormat::Mlsd, kNow));
  Check(ParseListing(text, ListingFormat::List, kNow));
  DirEntry entry;
  (void)ParseMlsdLine(text, entry);
  (void)ParseUnixListLine(text, kNow, entry);
  (void)ParseDosListLine(text, entry);
  return 0;
}
