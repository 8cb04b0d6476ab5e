#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace stratex::bench {

// What a synthetic map holds besides its objects.
struct MapShape {
    std::uint64_t targetBytes = 100ull << 20;  // the map grows until it reaches about this size
    std::uint32_t seed = 1;
    double withoutEndLevel = 0.3;  // share of objects that carry no EndLevel line
    bool dictionary = true;        // a [DICTIONARY] section after the header
    bool crlf = true;              // CR LF line ends (LF otherwise)
};

// Writes a realistic Polish map: a header with five levels, a dictionary section, then POI (one Data
// line), polylines and polygons (Data0 lines of points a few hundred metres apart near the object's place,
// some with a coarser Data1 copy) with Windows-1251 labels, some comments, and a share of objects without EndLevel. The
// same shape and seed give the same bytes. Returns the number of bytes written. Throws std::runtime_error when the file
// cannot be written.
std::uint64_t GenerateMap(const std::filesystem::path& path, const MapShape& shape);

// The same map as text in memory (for small maps in tests and benchmarks).
std::string GenerateMapText(const MapShape& shape);

// Writes a map of about targetBytes made of real maps' objects: the header part of the first source (up to
// its "[END-IMG ID]" line), then everything after the header part of each source in turn, the sources
// taken again and again until the map reaches the size. The objects keep their places, so copies lie on
// each other. Returns the bytes written. Throws std::runtime_error when a source cannot be read, has no
// header part, or the file cannot be written.
std::uint64_t RepeatRealMaps(const std::vector<std::filesystem::path>& sources, const std::filesystem::path& path,
                             std::uint64_t targetBytes);

}  // namespace stratex::bench
