#include "MapGenerator.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace stratex::bench {

namespace {

// Labels in Windows-1251: "Лесная", "Речная", "Садовая", "Центральная", "Мост", "Школа", "Озеро".
const char* const kLabelWords[] = {
    "\xCB\xE5\xF1\xED\xE0\xFF",
    "\xD0\xE5\xF7\xED\xE0\xFF",
    "\xD1\xE0\xE4\xEE\xE2\xE0\xFF",
    "\xD6\xE5\xED\xF2\xF0\xE0\xEB\xFC\xED\xE0\xFF",
    "\xCC\xEE\xF1\xF2",
    "\xD8\xEA\xEE\xEB\xE0",
    "\xCE\xE7\xE5\xF0\xEE",
    "Main Street",
    "Route 66",
};

const char* const kPoiTypes[] = {"0x2f01", "0x2b01", "0x2a00", "0x2c04", "0x6401", "0x6406",
                                 "0x2f06", "0x3002", "0x2e01", "0x6616", "0x0700", "0x0d00"};
const char* const kLineTypes[] = {"0x01", "0x02", "0x04", "0x06", "0x0a", "0x14", "0x16", "0x18", "0x1c", "0x1f"};
const char* const kPolygonTypes[] = {"0x01", "0x0e", "0x13", "0x14", "0x3c", "0x41", "0x4c", "0x4e", "0x50", "0x17"};

class Writer {
public:
    explicit Writer(const MapShape& shape) : shape_(shape), random_(shape.seed) {}

    // Produces the map in chunks; sink(text) takes each chunk.
    template <typename Sink>
    std::uint64_t Run(Sink&& sink) {
        Header();
        while (written_ + chunk_.size() < shape_.targetBytes) {
            Object();
            if (chunk_.size() >= (1u << 20)) Flush(sink);
        }
        Flush(sink);
        return written_;
    }

private:
    void Line(std::string_view text) {
        chunk_ += text;
        chunk_ += shape_.crlf ? "\r\n" : "\n";
    }

    template <typename Sink>
    void Flush(Sink& sink) {
        sink(chunk_);
        written_ += chunk_.size();
        chunk_.clear();
    }

    void Header() {
        Line("; Synthetic map for benchmarks");
        Line("[IMG ID]");
        Line("ID=12345678");
        Line("Name=Synthetic");
        Line("CodePage=1251");
        Line("Levels=5");
        Line("Level0=24");
        Line("Level1=22");
        Line("Level2=20");
        Line("Level3=18");
        Line("Level4=17");
        Line("Zoom0=0");
        Line("Zoom1=1");
        Line("Zoom2=2");
        Line("Zoom3=3");
        Line("Zoom4=4");
        Line("[END-IMG ID]");
        if (shape_.dictionary) {
            Line("");
            Line("[DICTIONARY]");
            for (int level = 1; level <= 4; ++level) {
                for (const char* key : {"Rgn10=", "Rgn40=", "Rgn80="}) {
                    std::string row = "Level" + std::to_string(level) + key;
                    for (int k = 1; k <= 255; ++k) row += (k % (level + 2) == 0) ? '1' : '0';
                    Line(row);
                }
            }
            Line("[END-DICTIONARY]");
            Line("");
        }
    }

    int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    // Where the next object lies, in 1e-5 degrees: anywhere in 50..60 N, 30..50 E.
    void Place() {
        lat_ = 5000000 + Pick(1000000);
        lon_ = 3000000 + Pick(2000000);
    }

    // A coordinate line of level with the given positions (1e-5 degrees), every step-th one.
    void DataLine(int level, const std::vector<std::pair<int, int>>& points, int step = 1) {
        std::string data = "Data" + std::to_string(level) + "=";
        for (std::size_t p = 0; p < points.size(); p += static_cast<std::size_t>(step)) {
            char point[48];
            std::snprintf(point, sizeof point, "%s(%d.%05d,%d.%05d)", p ? "," : "", points[p].first / 100000,
                          points[p].first % 100000, points[p].second / 100000, points[p].second % 100000);
            data += point;
        }
        Line(data);
    }

    // A road or stream: a walk from the object's place in steps of up to about 100 m.
    std::vector<std::pair<int, int>> Walk(int points) {
        std::vector<std::pair<int, int>> walk;
        int lat = lat_, lon = lon_;
        const int headingLat = Pick(161) - 80, headingLon = Pick(161) - 80;
        for (int p = 0; p < points; ++p) {
            walk.emplace_back(lat, lon);
            lat += headingLat + Pick(81) - 40;
            lon += headingLon + Pick(81) - 40;
        }
        return walk;
    }

    // An area: a rough ring of 20 m to 2 km around the object's place.
    std::vector<std::pair<int, int>> Ring(int points) {
        std::vector<std::pair<int, int>> ring;
        const double radius = 20 + Pick(2000);
        for (int p = 0; p < points; ++p) {
            const double angle = 6.283185307 * p / points;
            const double r = radius * (0.7 + Pick(60) / 100.0);
            ring.emplace_back(lat_ + static_cast<int>(r * std::sin(angle)),
                              lon_ + static_cast<int>(1.7 * r * std::cos(angle)));
        }
        return ring;
    }

    void Object() {
        const int kind = Pick(10);  // 4 POI : 4 polylines : 2 polygons
        const bool endLevel = std::uniform_real_distribution<double>(0, 1)(random_) >= shape_.withoutEndLevel;
        if (Pick(50) == 0) Line("; edited by hand");
        Place();
        if (kind < 4) {
            Line("[POI]");
            Line(std::string("Type=") + kPoiTypes[Pick(std::size(kPoiTypes))]);
            Line(std::string("Label=") + kLabelWords[Pick(std::size(kLabelWords))]);
            if (endLevel) Line("EndLevel=" + std::to_string(Pick(4)));
            DataLine(0, {{lat_, lon_}});
        } else if (kind < 8) {
            Line("[POLYLINE]");
            Line(std::string("Type=") + kLineTypes[Pick(std::size(kLineTypes))]);
            Line(std::string("Label=") + kLabelWords[Pick(std::size(kLabelWords))] + " " + std::to_string(Pick(300)));
            if (endLevel) Line("EndLevel=" + std::to_string(Pick(4)));
            const int lines = 1 + Pick(3);
            for (int d = 0; d < lines; ++d) {
                const auto walk = Walk(2 + Pick(8));
                DataLine(0, walk);
                if (Pick(3) == 0) DataLine(1, walk, 2);  // a coarser copy for the next level
            }
        } else {
            Line("[POLYGON]");
            Line(std::string("Type=") + kPolygonTypes[Pick(std::size(kPolygonTypes))]);
            if (Pick(2)) Line(std::string("Label=") + kLabelWords[Pick(std::size(kLabelWords))]);
            if (endLevel) Line("EndLevel=" + std::to_string(Pick(4)));
            const auto ring = Ring(4 + Pick(12));
            DataLine(0, ring);
            if (Pick(3) == 0) DataLine(1, ring, 2);
        }
        Line("[END]");
        Line("");
    }

    MapShape shape_;
    std::mt19937 random_;
    int lat_ = 0;  // the place of the object being written
    int lon_ = 0;
    std::string chunk_;
    std::uint64_t written_ = 0;
};

}  // namespace

std::uint64_t GenerateMap(const std::filesystem::path& path, const MapShape& shape) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.string().c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot create " + path.string());
    Writer writer(shape);
    const auto bytes = writer.Run([&](const std::string& chunk) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), file.get()) != chunk.size()) {
            throw std::runtime_error("cannot write " + path.string());
        }
    });
    if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + path.string());
    return bytes;
}

std::uint64_t RepeatRealMaps(const std::vector<std::filesystem::path>& sources, const std::filesystem::path& path,
                             std::uint64_t targetBytes) {
    std::string header;
    std::vector<std::string> bodies;
    for (const std::filesystem::path& source : sources) {
        std::ifstream in(source, std::ios::binary);
        std::ostringstream bytes;
        if (!in || !(bytes << in.rdbuf())) throw std::runtime_error("cannot read " + source.string());
        const std::string text = std::move(bytes).str();
        const std::size_t marker = text.find("[END-IMG ID]");
        const std::size_t bodyStart = marker == std::string::npos ? marker : text.find('\n', marker);
        if (bodyStart == std::string::npos) throw std::runtime_error("no header part in " + source.string());
        if (header.empty()) header = text.substr(0, bodyStart + 1);
        bodies.push_back(text.substr(bodyStart + 1));
        // A source whose last line has no line end would run into the next copy's first line.
        if (!bodies.back().empty() && bodies.back().back() != '\n') bodies.back() += "\r\n";
    }
    if (bodies.empty()) throw std::runtime_error("no real maps to repeat");
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.string().c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot create " + path.string());
    const auto write = [&](const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
            throw std::runtime_error("cannot write " + path.string());
        }
    };
    write(header);
    std::uint64_t bytes = header.size();
    for (std::size_t i = 0; bytes < targetBytes; ++i) {
        const std::string& body = bodies[i % bodies.size()];
        write(body);
        bytes += body.size();
    }
    if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + path.string());
    return bytes;
}

std::string GenerateMapText(const MapShape& shape) {
    std::string text;
    text.reserve(shape.targetBytes + (1u << 16));
    Writer writer(shape);
    writer.Run([&](const std::string& chunk) { text += chunk; });
    return text;
}

}  // namespace stratex::bench
