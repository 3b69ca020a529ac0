// The sixteen colours and SetClr, the one place 2-D and 3-D text colours are set.
#include "overlay/palette.h"

#include <GL/gl.h>

#include <cstddef>

#include "base/stop.h"

// The sixteen colours of a classic 16-colour text display.
const std::array<std::array<int32_t, 3>, 16> iPalette = {{
    {0, 0, 0},       {0, 0, 170},     {0, 170, 0},    {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},   {170, 85, 0},   {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},   {85, 255, 85},  {85, 255, 255},
    {255, 85, 85},   {255, 85, 255},  {255, 255, 85}, {255, 255, 255},
}};

std::array<float, 3> PaletteRgb(int32_t index) {
    if (index < 0 || index > 15) return {0.0f, 0.0f, 0.0f};
    const auto& rgb = iPalette[static_cast<std::size_t>(index)];
    return {static_cast<float>(rgb[0] / 255.0), static_cast<float>(rgb[1] / 255.0),
            static_cast<float>(rgb[2] / 255.0)};
}

void PaletteCheck(int32_t index) {
    if (index < 0 || index > 15) StopFatal("Reboot. See last entry in Monit.Dat");
}

void SetClr(int32_t index) {
    PaletteCheck(index);
    const std::array<float, 3> rgb = PaletteRgb(index);
    glColor3f(rgb[0], rgb[1], rgb[2]);
}
