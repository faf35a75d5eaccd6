// Any bytes as a server listing, in both formats: no crash, and every entry
// has a name without a line feed (a lone CR may be part of a name; the program
// refuses such names later) and a date inside the valid range or none. Read
// as it arrives, in pieces whose sizes the input picks, the listing gives the
// same entries as read whole, unless a line is longer than the reader keeps.

#include <cstdlib>
#include <string_view>

#include "ListParser.h"
#include "ListingCollector.h"

namespace {

void Check(const std::vector<tarnholm::backend::DirEntry>& entries) {
  for (const auto& entry : entries) {
    if (entry.name.find('\n') != std::string::npos) std::abort();
    if (entry.date < -1 || entry.date > 2147483647) std::abort();
    if (entry.size < 0) std::abort();
  }
}

bool HasOverlongLine(std::string_view text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto nl = text.find('\n', start);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
    if (end - start > tarnholm::backend::kMaxListingLine) return true;
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return false;
}

void CheckPieces(std::string_view text, tarnholm::backend::ListingFormat format, int64_t now, std::size_t piece) {
  using namespace tarnholm::backend;
  std::vector<DirEntry> streamed;
  ListingReader reader;
  reader.format = format;
  reader.nowUtc = now;
  reader.collector.entries = &streamed;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    if (!FeedListing(reader, text.substr(at, piece))) std::abort();  // far below every limit
  }
  if (!FinishListing(reader)) std::abort();
  Check(streamed);
  if (HasOverlongLine(text)) return;
  const auto whole = ParseListing(text, format, now);
  if (whole.size() != streamed.size()) std::abort();
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (whole[i].name != streamed[i].name || whole[i].size != streamed[i].size ||
        whole[i].date != streamed[i].date || whole[i].type != streamed[i].type) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnholm::backend;
  if (size == 0) return 0;
  // The first byte picks the piece size of the streamed reading.
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  constexpr int64_t kNow = 1545676200;  // a fixed "now" keeps runs repeatable
  Check(ParseListing(text, ListingFormat::Mlsd, kNow));
  Check(ParseListing(text, ListingFormat::List, kNow));
  CheckPieces(text, ListingFormat::Mlsd, kNow, piece);
  CheckPieces(text, ListingFormat::List, kNow, piece);
  DirEntry entry;
  (void)ParseMlsdLine(text, entry);
  (void)ParseUnixListLine(text, kNow, entry);
  (void)ParseDosListLine(text, entry);
  return 0;
}
