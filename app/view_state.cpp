#include "app/view_state.h"

#include <chrono>
#include <ctime>

ViewStateRecord ViewState{};

WindowPixels ShownSize(int32_t iReportedW, int32_t iReportedH, const ViewStateRecord& vs) {
    if (iReportedW > 0 && iReportedH > 0) return {iReportedW, iReportedH};
    return {vs.iWidth, vs.iHeight};
}

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

float SecondsSince(float r0) {
    using namespace std::chrono;
    const auto tNow = system_clock::now();
    const std::time_t tSec = system_clock::to_time_t(tNow);
    std::tm tmLocal{};
    localtime_r(&tSec, &tmLocal);
    const int iMs = static_cast<int>(duration_cast<milliseconds>(tNow.time_since_epoch()).count() % 1000);
    return SecondsSinceAt(tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec, iMs, r0);
}
