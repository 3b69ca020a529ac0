#include "overlay/catalogue.h"

// Names run eastward from lon, 5 x size degrees of longitude per letter.
const std::array<PlaceRecord, kPlaces> dPlace = {{
    {12.0, -70.0, 0.6, 15},   // Ocean of Storms
    {32.5, -33.5, 0.4, 15},   // Sea of Rains
    {27.5, 11.5, 0.2, 15},    // Sea of Serenity
    {13.0, 0.0, 0.13, 15},    // Sea of Vapors
    {6.5, 21.0, 0.24, 15},    // Sea of Tranquility
    {16.0, 53.5, 0.2, 15},    // Sea of Crises
    {-3.5, 43.5, 0.2, 15},    // Sea of Fertility
    {9.5, -22.5, 0.1, 10},    // Copernicus, light green
    {-43.5, -13.5, 0.2, 12},  // Tycho, light red
    {-15.5, 30.0, 0.13, 15},  // Sea of Nectar
    {26.0, 144.0, 0.13, 15},  // Moscow Sea (far side)
    {-33.5, 159.5, 0.1, 15},  // Sea of Ingenuity (far side)
}};

const std::array<std::array<char, 19>, kPlaces> cPlace = {{
    {"Ocean of Storms   "},
    {"Sea of Rains      "},
    {"Sea of Serenity   "},
    {"Sea of Vapors     "},
    {"Sea of Tranquility"},
    {"Sea of Crises     "},
    {"Sea of Fertility  "},
    {"Copernicus        "},
    {"Tycho             "},
    {"Sea of Nectar     "},
    {"Moscow Sea        "},
    {"Sea of Ingenuity  "},
}};

// Landing sites as single-precision values held in doubles, so mission 1 is
// at 0.699999988079071, 23.399999618530273.
const std::array<std::array<double, 2>, kMissions> dSite = {{
    {double(0.7f), double(23.4f)},    // Apollo 11
    {double(-3.2f), double(-23.4f)},  // Apollo 12
    {double(-3.7f), double(-17.5f)},  // Apollo 14
    {double(26.1f), double(3.7f)},    // Apollo 15
    {double(-9.0f), double(15.5f)},   // Apollo 16
    {double(20.2f), double(30.8f)},   // Apollo 17
}};

// Mission and dates, then the crew: commander and lunar module pilot, who
// walked on the Moon, marked with an asterisk.
const std::array<std::array<std::array<char, 30>, 2>, kMissions> cMission = {{
    {{{"Apollo 11 - 1969.07.16-.07.24"}, {"Armstrong*, Collins & Aldrin*"}}},
    {{{"Apollo 12 - 1969.11.14-.11.24"}, {"Conrad*, Gordon & Bean*      "}}},
    {{{"Apollo 14 - 1971.01.31-.02.09"}, {"Shepard*, Roosa & Mitchell*  "}}},
    {{{"Apollo 15 - 1971.07.26-.08.07"}, {"Scott*, Worden & Irwin*      "}}},
    {{{"Apollo 16 - 1972.04.16-.04.27"}, {"Young*, Mattingly & Duke*    "}}},
    {{{"Apollo 17 - 1972.12.07-.12.19"}, {"Cernan*, Evans & Schmitt*    "}}},
}};
