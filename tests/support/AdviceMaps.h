#pragma once

#include <string>

namespace stratex {

// Objects of known extents and point counts, on five levels of 24, 22, 20, 18 and 16 bits (one map unit at
// 24 bits is 21.46 millionths of a degree):
// - polygons 0x4c: three of 0.002 degrees across (93 units; one of them with a Data1 line ten times larger,
//   which is not its detail) and one of 0.02 degrees (932 units);
// - polylines 0x16: two zigzags of four 0.001-degree steps (186 units along, 47 across);
// - POI 0x2f06: two clusters of 20 points 0.1 degree apart, in one cell of 18 bits but not of 20.
// first/second: the objects of one half each, as two tiles of a set; both: all of them.
inline std::string AdviceObjects(int half, int endLevel) {
    const std::string level = "EndLevel=" + std::to_string(endLevel) + "\r\n";
    std::string text;
    const auto polygon = [&](const std::string& data) {
        text += "[POLYGON]\r\nType=0x4c\r\n" + level + data + "[END]\r\n";
    };
    if (half != 2) {
        polygon("Data0=(10.100,20.100),(10.102,20.100),(10.102,20.102)\r\n");
        polygon(
            "Data0=(10.200,20.200),(10.202,20.200),(10.202,20.202)\r\n"
            "Data1=(10.200,20.200),(10.220,20.200),(10.220,20.220)\r\n");
        text += "[POLYLINE]\r\nType=0x16\r\n" + level +
                "Data0=(10.3,20.3),(10.301,20.3),(10.3,20.3),(10.301,20.3),(10.3,20.3)\r\n[END]\r\n";
    }
    if (half != 1) {
        polygon("Data0=(10.400,20.400),(10.402,20.400),(10.402,20.402)\r\n");
        polygon("Data0=(10.500,20.500),(10.520,20.500),(10.520,20.520)\r\n");
        text += "[POLYLINE]\r\nType=0x16\r\n" + level +
                "Data0=(10.6,20.6),(10.6,20.601),(10.6,20.6),(10.6,20.601),(10.6,20.6)\r\n[END]\r\n";
    }
    for (int i = 0; i < 40; ++i) {
        if ((half == 1 && i % 2 == 1) || (half == 2 && i % 2 == 0)) continue;
        text += "[POI]\r\nType=0x2f06\r\n" + level + (i < 20 ? "Data0=(10.01,20.05)\r\n" : "Data0=(10.01,20.15)\r\n") +
                "[END]\r\n";
    }
    return text;
}

inline std::string AdviceMap(int half = 0, int endLevel = 1) {
    return "[IMG ID]\r\nLevels=5\r\nLevel0=24\r\nLevel1=22\r\nLevel2=20\r\nLevel3=18\r\nLevel4=16\r\n"
           "Zoom0=0\r\nZoom1=1\r\nZoom2=2\r\nZoom3=3\r\nZoom4=4\r\n[END-IMG ID]\r\n" +
           AdviceObjects(half, endLevel);
}

}  // namespace stratex
