#include "ListingCollector.h"

#include <algorithm>

namespace tarnholm::backend {
namespace {

// The heap block a string owns, 0 while its text fits the object itself.
std::size_t HeapBlock(const std::string& text) {
  const char* data = text.data();
  const char* self = reinterpret_cast<const char*>(&text);
  if (data >= self && data < self + sizeof(text)) return 0;
  return text.capacity() + 1;
}

bool ParseLine(ListingReader& reader, std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return true;
  DirEntry entry;
  if (!ParseListingLine(line, reader.format, reader.nowUtc, entry)) return true;  // noise such as "total 12"
  if (CollectEntry(reader.collector, std::move(entry))) return true;
  reader.full = true;
  return false;
}

}  // namespace

std::size_t CollectedBytes(const EntryCollector& collector) {
  return collector.entries->capacity() * sizeof(DirEntry) + collector.nameBytes;
}

bool CollectEntry(EntryCollector& collector, DirEntry&& entry) {
  std::vector<DirEntry>& entries = *collector.entries;
  if (entries.size() >= collector.limits.maxEntries) return false;
  entry.name.shrink_to_fit();
  const std::size_t block = HeapBlock(entry.name);
  // The array grows here, by doubling, so that what it will take is known
  // before it takes it.
  std::size_t capacity = entries.capacity();
  if (entries.size() == capacity) capacity = std::max<std::size_t>(64, 2 * capacity);
  if (capacity * sizeof(DirEntry) + collector.nameBytes + block > collector.limits.maxBytes) return false;
  entries.reserve(capacity);
  entries.push_back(std::move(entry));
  collector.nameBytes += block;
  return true;
}

bool FeedListing(ListingReader& reader, std::string_view bytes) {
  if (reader.full) return false;
  reader.textBytes += bytes.size();
  if (reader.textBytes > reader.collector.limits.maxText) {
    reader.full = true;
    return false;
  }
  while (!bytes.empty()) {
    const auto nl = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, nl);
    bytes = nl == std::string_view::npos ? std::string_view() : bytes.substr(nl + 1);
    const bool ended = nl != std::string_view::npos;
    if (!reader.skippingLine) {
      if (reader.partial.size() + piece.size() > kMaxListingLine) {
        reader.skippingLine = true;
        reader.partial.clear();
      } else if (!ended) {
        reader.partial.append(piece);
      } else if (reader.partial.empty()) {
        if (!ParseLine(reader, piece)) return false;
      } else {
        reader.partial.append(piece);
        const bool ok = ParseLine(reader, reader.partial);
        reader.partial.clear();
        if (!ok) return false;
      }
    }
    if (ended) reader.skippingLine = false;
  }
  return true;
}

bool FinishListing(ListingReader& reader) {
  if (reader.full) return false;
  const bool ok = reader.skippingLine || ParseLine(reader, reader.partial);
  reader.partial.clear();
  reader.skippingLine = false;
  return ok;
}

}  // namespace tarnholm::backend
