// The local clock on Windows: GetLocalTime gives the local time of day with
// its milliseconds in one call, so second and millisecond always agree.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "base/clock.h"

float SecondsSince(float r0) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return SecondsSinceAt(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, r0);
}
