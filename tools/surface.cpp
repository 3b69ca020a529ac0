#include "tools/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

uint64_t ShiftFor(double dWestLon, uint32_t nW) {
    const uint64_t nUnits = uint64_t(nW) * kOutW;
    double dTurn = (dWestLon + 180.0) / 360.0;
    dTurn -= std::floor(dTurn);
    uint64_t nShift = uint64_t(std::llround(dTurn * double(nUnits)));
    return nShift >= nUnits ? nShift - nUnits : nShift;
}

MapPlace PlaceFromLeftLon(uint32_t nW, uint32_t nH, double dLeftLon) {
    MapPlace p;
    p.nW = nW;
    p.nH = nH;
    p.nShift = ShiftFor(dLeftLon, nW);
    return p;
}

bool PlaceFromExtent(uint32_t nW, uint32_t nH, const MapExtent& e, MapPlace& p, std::string& cWhy) {
    const double dSpan = e.dLonRight - e.dLonLeft;
    const double dNorth = std::max(e.dLatTop, e.dLatBottom);
    const double dSouth = std::min(e.dLatTop, e.dLatBottom);
    // Half a source pixel either way is still the whole globe, but never
    // more than half a degree: a map of one or two pixels must cover the
    // globe as well as any other.
    const double dTolLon = std::min(180.0 / nW, kWholeGlobeTolDeg);
    const double dTolLat = std::min(90.0 / nH, kWholeGlobeTolDeg);
    if (!(std::fabs(std::fabs(dSpan) - 360.0) <= dTolLon && std::fabs(dNorth - 90.0) <= dTolLat &&
          std::fabs(dSouth + 90.0) <= dTolLat)) {
        char cBuf[256];
        std::snprintf(cBuf, sizeof cBuf,
                      "covers longitude %.6g to %.6g and latitude %.6g to %.6g (%.6g x %.6g degrees); "
                      "a map of the whole globe, 360 x 180 degrees, is needed",
                      std::min(e.dLonLeft, e.dLonRight), std::max(e.dLonLeft, e.dLonRight), dSouth,
                      dNorth, std::fabs(dSpan), dNorth - dSouth);
        cWhy = cBuf;
        return false;
    }
    p.nW = nW;
    p.nH = nH;
    p.bEastLeft = dSpan < 0;
    p.bSouthUp = e.dLatTop < e.dLatBottom;
    p.nShift = ShiftFor(p.bEastLeft ? e.dLonRight : e.dLonLeft, nW);
    return true;
}

template <class T>
Sums<T> MakeSums() {
    Sums<T> s;
    s.acc.assign(size_t(kOutW) * kOutH, T(0));
    s.wgt.assign(size_t(kOutW) * kOutH, 0);
    return s;
}

template <class T>
void BeginRow(const MapPlace& p, RowWalk<T>& w) {
    w.colSum.assign(kOutW, T(0));
    w.colWgt.assign(kOutW, 0);
    w.i = 0;
    w.pos = p.nShift;
    w.cell = w.pos / p.nW;
    w.end = (w.cell + 1) * p.nW;
}

template <class T, class V>
void AddSpan(const MapPlace& p, RowWalk<T>& w, const V* vals, const uint8_t* bValid, uint64_t xBase,
             uint64_t nCount) {
    const uint64_t nW = p.nW;
    constexpr uint64_t kMask = kOutW - 1;
    // i counts the pixels walked, pos is the unit where pixel i starts, cell
    // the output column (before the wrap) it starts in and end that column's
    // end. Runs of whole pixels inside one column are summed in one go.
    uint64_t i = w.i, pos = w.pos, cell = w.cell, end = w.end;
    const uint64_t iEnd = std::min(i + nCount, nW);
    while (i < iEnd) {
        const uint64_t k = std::min((end - pos) / kOutW, iEnd - i);
        if (k > 0) {
            const uint64_t x0 = p.bEastLeft ? nW - i - k : i;
            T sum = T(0);
            uint64_t n = k;
            for (uint64_t x = x0 - xBase; x < x0 - xBase + k; ++x) sum += T(vals[x]);
            if (bValid != nullptr) {
                n = 0;
                for (uint64_t x = x0 - xBase; x < x0 - xBase + k; ++x) n += bValid[x] != 0;
            }
            w.colSum[cell & kMask] += T(kOutW) * sum;
            w.colWgt[cell & kMask] += kOutW * n;
            i += k;
            pos += k * kOutW;
            if (pos == end) {
                ++cell;
                end += nW;
            }
            continue;
        }
        // Pixel i reaches past the end of its column: split it.
        const uint64_t x = (p.bEastLeft ? nW - 1 - i : i) - xBase;
        const T v = T(vals[x]);
        const bool bOk = bValid == nullptr || bValid[x] != 0;
        for (uint64_t nLeft = kOutW; nLeft > 0;) {
            const uint64_t nTake = std::min(nLeft, end - pos);
            w.colSum[cell & kMask] += T(nTake) * v;
            if (bOk) w.colWgt[cell & kMask] += nTake;
            nLeft -= nTake;
            pos += nTake;
            if (pos == end) {
                ++cell;
                end += nW;
            }
        }
        ++i;
    }
    w.i = i;
    w.pos = pos;
    w.cell = cell;
    w.end = end;
}

template <class T>
void EndRow(const MapPlace& p, uint32_t y, const RowWalk<T>& w, T mul, Sums<T>& s) {
    // This source row's share of the output rows it overlaps.
    const uint64_t nH = p.nH;
    const uint64_t r = p.bSouthUp ? nH - 1 - y : y;
    const uint64_t a0 = r * kOutH, a1 = a0 + kOutH;
    for (uint64_t o = a0 / nH; o < kOutH && o * nH < a1; ++o) {
        const uint64_t nTake = std::min(a1, (o + 1) * nH) - std::max(a0, o * nH);
        T* acc = s.acc.data() + o * kOutW;
        uint64_t* wgt = s.wgt.data() + o * kOutW;
        for (uint32_t X = 0; X < kOutW; ++X) {
            acc[X] += T(nTake) * mul * w.colSum[X];
            wgt[X] += nTake * w.colWgt[X];
        }
    }
}

template Sums<uint64_t> MakeSums<uint64_t>();
template Sums<double> MakeSums<double>();
template void BeginRow<uint64_t>(const MapPlace&, RowWalk<uint64_t>&);
template void BeginRow<double>(const MapPlace&, RowWalk<double>&);
template void AddSpan<uint64_t, uint8_t>(const MapPlace&, RowWalk<uint64_t>&, const uint8_t*, const uint8_t*,
                                         uint64_t, uint64_t);
template void AddSpan<uint64_t, uint32_t>(const MapPlace&, RowWalk<uint64_t>&, const uint32_t*,
                                          const uint8_t*, uint64_t, uint64_t);
template void AddSpan<double, double>(const MapPlace&, RowWalk<double>&, const double*, const uint8_t*,
                                      uint64_t, uint64_t);
template void EndRow<uint64_t>(const MapPlace&, uint32_t, const RowWalk<uint64_t>&, uint64_t,
                               Sums<uint64_t>&);
template void EndRow<double>(const MapPlace&, uint32_t, const RowWalk<double>&, double, Sums<double>&);

std::vector<uint8_t> GrayFromLuma(const Sums<uint64_t>& s) {
    std::vector<uint8_t> gray(s.acc.size(), 0);
    for (size_t n = 0; n < gray.size(); ++n) {
        if (s.wgt[n] == 0) continue;
        const uint64_t nDiv = 1000 * s.wgt[n];
        const uint64_t v = (s.acc[n] + nDiv / 2) / nDiv;
        gray[n] = uint8_t(std::min<uint64_t>(v, 255));
    }
    return gray;
}

std::vector<uint8_t> GrayFromScaled(const Sums<double>& s, double dLo, double dHi) {
    std::vector<uint8_t> gray(s.acc.size(), 0);
    const double dScale = dHi > dLo ? 255.0 / (dHi - dLo) : 0.0;
    for (size_t n = 0; n < gray.size(); ++n) {
        if (s.wgt[n] == 0) continue;
        const double v = (s.acc[n] / double(s.wgt[n]) - dLo) * dScale;
        gray[n] = uint8_t(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
    }
    return gray;
}

std::array<uint8_t, kOffBits> BmpHead() {
    std::array<uint8_t, kOffBits> b{};
    // Refuses only sizes whose file would not fit nSizeF; 1024 x 512 at 8 bits fits.
    BmpHeaderWrite(int32_t(kOutW), int32_t(kOutH), 8, b.data());
    for (uint32_t k = 0; k < 256; ++k) {
        uint8_t* e = &b[kBmpHeaderBytes + 4 * k];
        e[0] = e[1] = e[2] = uint8_t(k);  // blue, green, red; reserved 0
    }
    return b;
}

std::vector<uint8_t> BmpBody(const std::vector<uint8_t>& gray) {
    std::vector<uint8_t> b(size_t(kOutW) * kOutH);
    for (uint32_t y = 0; y < kOutH; ++y)
        std::memcpy(&b[size_t(kOutH - 1 - y) * kOutW], &gray[size_t(y) * kOutW], kOutW);
    return b;
}
