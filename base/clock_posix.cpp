// The local clock on POSIX: the wall clock's milliseconds, the hour, minute
// and second of local time from localtime_r (thread-safe, time zone applied).
#include <chrono>
#include <ctime>

#include "base/clock.h"

float SecondsSince(float r0) {
    using namespace std::chrono;
    const auto tNow = system_clock::now();
    const std::time_t tSec = system_clock::to_time_t(tNow);
    std::tm tmLocal{};
    localtime_r(&tSec, &tmLocal);
    const int iMs = static_cast<int>(duration_cast<milliseconds>(tNow.time_since_epoch()).count() % 1000);
    return SecondsSinceAt(tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec, iMs, r0);
}
