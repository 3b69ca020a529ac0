#include "base/clock.h"

float SecondsBetween(float rNow, float r0) {
    float rDt = rNow - r0;
    if (rDt < 0.0f) rDt += 86400.0f;
    return rDt;
}

float SecondsSinceAt(int hour, int minute, int second, int millisecond, float r0) {
    // Rounded to single precision first: late in the day that limits the
    // resolution to about 8 ms.
    const float rNow = static_cast<float>((hour * 60 + minute) * 60 + second + millisecond * 0.001);
    return SecondsBetween(rNow, r0);
}
