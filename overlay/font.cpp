#include "overlay/font.h"

#include <cstddef>
#include <stdexcept>

namespace {

// Strokes in drawing order: M moves to x,y (pen code 1), D draws to x,y (pen
// code 2). Sorted by character code; the tables below are built from this
// list at compile time.
struct GlyphStrokes {
    char code;
    const char* strokes;
};

constexpr GlyphStrokes kStrokes[] = {
    {'*', "M5,8 D-5,-8 M10,0 D-10,0 M5,-8 D-5,8"},
    {'+', "M0,6 D0,-6 M10,0 D-10,0"},
    {',', "M1,-11 D-1,-11 D-1,-10 D1,-10 D1,-12 D-1,-15"},
    {'-', "M-10,0 D10,0"},
    {'.', "M0,-9 D0,-10 D0,-10 D0,-10 D0,-9 M-1,-8 D1,-10 D1,-11 D-1,-11 D-1,-8"},
    {'/', "M-10,-10 D10,10"},
    {'0', "M0,-10 D-5,-10 D-10,-5 D-10,0 D-10,5 D-5,10 D0,10 D5,10 D10,5 D10,0 D10,-5 D5,-10 D0,-10 M-10,-10 D10,10"},
    {'1', "M-5,2 D0,10 D0,-10 M-5,-10 D5,-10"},
    {'2', "M-10,6 D-6,8 D0,10 D6,8 D10,5 D6,2 D0,0 D-6,-2 D-10,-10 D10,-10"},
    {'3', "M-10,6 D-6,10 D6,10 D10,6 D10,2 D6,0 D-2,0 D6,0 D10,-2 D10,-6 D6,-10 D-6,-10 D-10,-6"},
    {'4', "M10,-3 D-10,-3 D6,10 D6,-10"},
    {'5', "M10,10 D-10,10 D-10,0 D-6,2 D6,2 D10,0 D10,-6 D6,-10 D-6,-10 D-10,-6"},
    {'6', "M10,6 D6,10 D-6,10 D-10,6 D-10,-6 D-6,-10 D6,-10 D10,-6 D10,-2 D6,0 D-6,0 D-10,-2"},
    {'7', "M-10,10 D10,10 D-3,-10"},
    {'8', "M-6,0 D-10,2 D-10,6 D-6,10 D6,10 D10,6 D10,2 D6,0 D-6,0 D-10,-2 D-10,-6 D-6,-10 D6,-10 D10,-6 D10,-2 D6,0"},
    {'9', "M10,2 D6,0 D-6,0 D-10,2 D-10,6 D-6,10 D6,10 D10,6 D10,-6 D6,-10 D-6,-10 D-10,-6"},
    {'A', "M-10,-10 D0,10 D10,-10 M-6,-3 D6,-3"},
    {'B', "M-10,10 D6,10 D10,6 D10,2 D6,0 D-10,0 M6,0 D10,-2 D10,-6 D6,-10 D-10,-10 D-10,10"},
    {'C', "M10,6 D10,6 D6,10 D-6,10 D-10,6 D-10,-6 D-6,-10 D6,-10 D10,-6 D10,-6"},
    {'D', "M-10,10 D6,10 D10,6 D10,-6 D6,-10 D-10,-10 D-10,10"},
    {'E', "M-10,0 D6,0 M10,10 D-10,10 D-10,-10 D10,-10"},
    {'F', "M-10,0 D6,0 M10,10 D-10,10 D-10,-10"},
    {'G', "M0,0 D10,0 D10,-6 D6,-10 D-6,-10 D-10,-6 D-10,6 D-6,10 D6,10 D10,6"},
    {'H', "M-10,10 D-10,-10 M-10,0 D10,0 M10,10 D10,-10"},
    {'I', "M-5,10 D5,10 M0,10 D0,-10 M-5,-10 D5,-10"},
    {'J', "M10,10 D10,-6 D6,-10 D-6,-10 D-10,-6 D-10,-3"},
    {'K', "M-10,10 D-10,-10 M-10,0 D0,0 D10,10 M0,0 D10,-10"},
    {'L', "M-10,10 D-10,-10 D10,-10"},
    {'M', "M-10,-10 D-10,10 D0,-3 D10,10 D10,-10"},
    {'N', "M-10,-10 D-10,10 D10,-10 D10,10"},
    {'O', "M6,10 D10,6 D10,-6 D6,-10 D-6,-10 D-10,-6 D-10,6 D-6,10 D6,10"},
    {'P', "M-10,-10 D-10,10 D6,10 D10,6 D10,3 D6,0 D-10,0"},
    {'Q', "M6,10 D10,6 D10,-6 D6,-10 D-6,-10 D-10,-6 D-10,6 D-6,10 D6,10 M0,0 D12,-12"},
    {'R', "M-10,-10 D-10,10 D6,10 D10,6 D10,3 D6,0 D-10,0 M5,0 D10,-5 D10,-10"},
    {'S', "M10,6 D10,6 D6,10 D-6,10 D-10,6 D-10,2 D-6,0 D6,0 D10,-2 D10,-6 D6,-10 D-6,-10 D-10,-6 D-10,-6"},
    {'T', "M-10,10 D10,10 M0,10 D0,-10"},
    {'U', "M-10,10 D-10,-6 D-6,-10 D6,-10 D10,-6 D10,10"},
    {'V', "M-10,10 D0,-10 D10,10"},
    {'W', "M-10,10 D-5,-10 D0,5 D5,-10 D10,10"},
    {'X', "M-10,10 D10,-10 M-10,-10 D10,10"},
    {'Y', "M-10,10 D0,0 D0,-10 M0,0 D10,10"},
    {'Z', "M-10,10 D10,10 D-10,-10 D10,-10"},
};
static_assert(std::size(kStrokes) == kGlyphCount);

constexpr int PointCount(const char* s) {
    int n = 0;
    for (; *s != '\0'; ++s) {
        if (*s == 'M' || *s == 'D') ++n;
    }
    return n;
}

// Total words of the glyphs, each a count and three words per point.
constexpr int StrokeWords() {
    int words = 0;
    for (const GlyphStrokes& g : kStrokes) words += 1 + 3 * PointCount(g.strokes);
    return words;
}

// The glyphs fill words 1..954; the last word of the table is a spare 0.
static_assert(StrokeWords() == kGlyphWords - 1);

constexpr int16_t ReadInt(const char*& p) {
    int sign = 1;
    if (*p == '-') {
        sign = -1;
        ++p;
    }
    if (*p < '0' || *p > '9') throw std::logic_error("digit expected in glyph strokes");
    int v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0');
    return static_cast<int16_t>(sign * v);
}

constexpr std::array<int16_t, kGlyphWords + 1> BuildGlyphDat() {
    std::array<int16_t, kGlyphWords + 1> dat{};
    int w = 1;
    for (const GlyphStrokes& g : kStrokes) {
        int n = PointCount(g.strokes);
        if (n > kMaxGlyphPoints) throw std::logic_error("glyph has too many points");
        dat[w++] = static_cast<int16_t>(n);
        for (const char* p = g.strokes; *p != '\0';) {
            if (*p == ' ') {
                ++p;
                continue;
            }
            if (*p != 'M' && *p != 'D') throw std::logic_error("pen letter expected in glyph strokes");
            dat[w++] = *p++ == 'M' ? kPenMove : kPenDraw;
            dat[w++] = ReadInt(p);
            if (*p++ != ',') throw std::logic_error("comma expected in glyph strokes");
            dat[w++] = ReadInt(p);
        }
    }
    return dat;
}

constexpr std::array<int16_t, 256> BuildGlyphIx() {
    std::array<int16_t, 256> ix{};
    int w = 1;
    for (const GlyphStrokes& g : kStrokes) {
        auto c = static_cast<unsigned char>(g.code);
        ix[c] = static_cast<int16_t>(w);
        if (c >= 'A' && c <= 'Z') ix[c - 'A' + 'a'] = static_cast<int16_t>(w);
        w += 1 + 3 * PointCount(g.strokes);
    }
    return ix;
}

}  // namespace

constinit const std::array<int16_t, 256> iGlyphIx = BuildGlyphIx();
constinit const std::array<int16_t, kGlyphWords + 1> iGlyphDat = BuildGlyphDat();
