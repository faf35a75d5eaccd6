#pragma once
// Gathers a listing's entries as they arrive, within limits that keep an
// enormous or hostile folder from taking the memory of the machine: at most
// 1,000,000 entries and 256 MiB for the entries themselves (the array and
// every name's own heap block, counted as they really are).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DirEntry.h"
#include "ListParser.h"

namespace tarnholm::backend {

inline constexpr std::size_t kMaxListingEntries = 1000000;
inline constexpr std::size_t kMaxListingBytes = std::size_t{256} << 20;
// The text of an FTP listing: far more than a million entries ever need,
// so that a server sending lines that are no entries cannot go on forever.
inline constexpr std::size_t kMaxListingText = std::size_t{1} << 30;

struct ListingLimits {
  std::size_t maxEntries = kMaxListingEntries;
  std::size_t maxBytes = kMaxListingBytes;
  std::size_t maxText = kMaxListingText;
};

struct EntryCollector {
  std::vector<DirEntry>* entries = nullptr;
  ListingLimits limits;
  std::size_t nameBytes = 0;  // heap blocks of the names kept so far
};

// Bytes the entries take now: the array's capacity plus the names' blocks.
[[nodiscard]] std::size_t CollectedBytes(const EntryCollector& collector);

// Appends entry; false (and nothing kept) when that would pass a limit.
[[nodiscard]] bool CollectEntry(EntryCollector& collector, DirEntry&& entry);

// An FTP listing read as its bytes arrive: whole lines are parsed at once,
// so the listing text is never held whole. A line longer than
// kMaxListingLine is no entry any server means and is skipped.
inline constexpr std::size_t kMaxListingLine = 64 * 1024;

struct ListingReader {
  ListingFormat format = ListingFormat::List;
  int64_t nowUtc = 0;
  EntryCollector collector;
  std::size_t textBytes = 0;  // of the listing so far
  std::string partial;       // the line begun but not yet ended
  bool skippingLine = false;  // inside a line that grew past kMaxListingLine
  bool full = false;          // a limit was reached
};

// false once a limit is reached; the entries collected so far stay.
[[nodiscard]] bool FeedListing(ListingReader& reader, std::string_view bytes);
// Parses a last line without its line end.
[[nodiscard]] bool FinishListing(ListingReader& reader);

}  // namespace tarnholm::backend
