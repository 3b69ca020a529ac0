// Fixed geographic data: twelve named surface features and the six crewed
// landing missions. Selenographic degrees, latitude north and longitude east
// positive. Feature k and mission k of the text are at index k - 1.
#pragma once

#include <array>
#include <cstdint>

constexpr int kPlaces = 12;
constexpr int kMissions = 6;

// Per feature: latitude of the name's base line, longitude of its first
// (western) letter, letter size in scene units, palette colour.
struct PlaceRecord {
    double lat;
    double lon;
    double size;
    double colour;
};

extern const std::array<PlaceRecord, kPlaces> dPlace;
extern const std::array<std::array<char, 19>, kPlaces> cPlace;      // 18 characters + NUL
extern const std::array<std::array<double, 2>, kMissions> dSite;    // latitude, longitude
extern const std::array<std::array<std::array<char, 30>, 2>, kMissions> cMission;  // 29 + NUL
