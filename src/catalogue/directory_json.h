// The public directory's JSON answers into stations and name lists, with
// nlohmann-json. Every byte is untrusted: any field may be missing, null or
// of another type, texts may hold bytes that are not UTF-8, and an answer
// may be far longer than asked for. Pure functions; any thread. Portable.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "catalogue/station.h"

// Most entries taken from one answer; the rest are dropped.
inline constexpr size_t kMaxAnswerEntries = 2000;
// Longest text kept from one field (longer ones are cut at a character).
inline constexpr size_t kMaxFieldBytes = 1024;

// An array of station objects. Names lose the white space at their ends;
// a station whose name is left empty is named by its stream address's host.
// Entries that are not objects, or have neither a name nor a stream
// address, are skipped. nullopt when the answer is not a JSON array at all.
std::optional<std::vector<Station>> ParseStations(std::string_view json);

// An array of {name, stationcount[, iso_3166_1 | iso_639]} objects (the
// tags, countries and languages lists). Names are trimmed as above; entries
// without a name are skipped.
std::optional<std::vector<NamedCount>> ParseNamedCounts(std::string_view json);
