#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

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

}  // namespace stratex::bench
