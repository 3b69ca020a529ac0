// Helpers shared by the unit tests: the text of a composed line or label,
// vector arithmetic for label geometry, a marked BMP header that shows
// whether a routine wrote to it, and a fixture with a fresh ViewState.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/view_state.h"
#include "image/bmp_codec.h"
#include "overlay/format.h"
#include "overlay/label_geometry.h"
#include "overlay/panel_rows.h"

inline std::string Text(const LineBuf& buf) { return std::string(buf.c, static_cast<size_t>(buf.n)); }
inline std::string Text(const PanelLine& line) { return Text(line.buf); }
inline std::string Text(const Label3D& l) { return std::string(l.cLabel.data()); }

inline double Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

// Every byte 0x5A: fields a routine leaves alone keep it.
inline BmpHeader MarkedHeader() {
    BmpHeader bh;
    std::memset(&bh, 0x5A, sizeof bh);
    return bh;
}
inline bool Untouched(const BmpHeader& bh) {
    const BmpHeader ref = MarkedHeader();
    return std::memcmp(&bh, &ref, sizeof bh) == 0;
}

// Each test starts from the record as the program starts and leaves the
// global ViewState as it found it.
class FreshViewState : public ::testing::Test {
protected:
    void SetUp() override {
        saved = ViewState;
        ViewState = ViewStateRecord{};
    }
    void TearDown() override { ViewState = saved; }
    ViewStateRecord saved;
};
