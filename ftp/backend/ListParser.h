#pragma once
// Directory listings as FTP servers send them, turned into entries.
// Pure functions: the tests feed them recorded server lines.

#include <cstdint>
#include <string_view>
#include <vector>

#include "DirEntry.h"

namespace tarnholm::backend {

enum class ListingFormat { Mlsd, List };

// One MLSD line ("fact=value;...; name"). Times are UTC (RFC 3659).
[[nodiscard]] bool ParseMlsdLine(std::string_view line, DirEntry& out);

// One Unix-style LIST line ("drwxr-xr-x 2 u g 4096 Dec 24 18:30 name").
// Its time fields are taken as UTC; a date without a year lies in the half
// year before nowUtc (a day of clock skew allowed).
[[nodiscard]] bool ParseUnixListLine(std::string_view line, int64_t nowUtc, DirEntry& out);

// One DOS/Windows-style LIST line ("12-24-18  06:30PM  <DIR>  name"). Its time
// fields carry no zone and are taken as they stand.
[[nodiscard]] bool ParseDosListLine(std::string_view line, DirEntry& out);

// One line of a listing in the given format; false for lines that are no
// entry ("total 12").
[[nodiscard]] bool ParseListingLine(std::string_view line, ListingFormat format, int64_t nowUtc, DirEntry& out);

// All entries of a listing; lines that fit no format ("total 12") are skipped.
[[nodiscard]] std::vector<DirEntry> ParseListing(std::string_view text, ListingFormat format, int64_t nowUtc);

}  // namespace tarnholm::backend
