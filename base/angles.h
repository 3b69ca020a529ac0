// Degrees to radians: angles are held in degrees everywhere and pass through
// this one factor only inside trigonometric calls.
#pragma once

constexpr double kDegRad = 0.017453292519943295;  // pi / 180
