// The local clock of the benchmark: time of day in seconds, single
// precision, so late in the day its resolution is about 8 ms.
#pragma once

// Local time of day in seconds minus r0, plus 86,400 when the difference is
// negative (one platform file each: clock_posix.cpp, clock_win32.cpp).
float SecondsSince(float r0);

// The same from a given time of day, so the midnight wrap can be tested.
float SecondsSinceAt(int hour, int minute, int second, int millisecond, float r0);

// Difference of two single-precision times of day with the midnight wrap.
float SecondsBetween(float rNow, float r0);
