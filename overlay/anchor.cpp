#include "overlay/anchor.h"

#include <algorithm>
#include <cmath>

#include "base/scene.h"
#include "overlay/text_grid.h"

namespace {

// Centres of the two stereo images on the frame near the surface, where the
// pair shift is 0.41 of the half-width: 512 -/+ 0.41 * 512 pixels. Each
// caption keeps its offset from the image it names.
constexpr int32_t kImageLeft = 302;
constexpr int32_t kImageRight = 722;
// Each image of a pair is half the frame's height across, centred on its
// middle row: it spans 192 to 576 pixels from the bottom.
constexpr int32_t kImageHalf = kFrameHeight / 4;
// The column where the read-outs beside the centre row begin.
constexpr int32_t kReadoutCol = 117;

// Whether the window is narrower than the 4:3 frame: the frame then fills
// its width, not its height.
bool Narrow(int32_t iWinW, int32_t iWinH) {
    return int64_t{iWinW} * kFrameHeight < int64_t{iWinH} * kFrameWidth;
}

// Floor division, for offsets that go negative on windows below the frame.
int32_t FloorDiv(int32_t a, int32_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

int32_t GlyphScale(int32_t iWinW, int32_t iWinH, int32_t iDpi) {
    const int32_t kFit = std::max<int32_t>(1, std::min(iWinW / kFrameWidth, iWinH / kFrameHeight));
    if (iDpi <= 0) return kFit;
    constexpr int32_t kBaseDpi = 96;  // the desktop at 100 %
    return std::clamp<int32_t>((iDpi + kBaseDpi / 2) / kBaseDpi, 1, kFit);
}

TextPos FramePos(int32_t iLine, int32_t iCol) {
    // The viewport transform of the frame in single precision and the
    // bitmap's truncation with its small allowance, as the rasteriser does.
    const TextGrid grid = GridFor(kFrameWidth, kFrameHeight);
    const auto fx = static_cast<float>(GridX(grid, iCol));
    const auto fy = static_cast<float>(GridY(grid, iLine));
    const float wx = fx * (kFrameWidth / 2.0f) + kFrameWidth / 2.0f;
    const float wy = fy * (kFrameHeight / 2.0f) + kFrameHeight / 2.0f;
    return {static_cast<int32_t>(std::floor(wx + 0.0001f)), static_cast<int32_t>(std::floor(wy + 0.0001f))};
}

double PairShrink(int32_t iWinW, int32_t iWinH, int32_t k) {
    if (!Narrow(iWinW, iWinH)) return 1.0;
    const double dFitted = double(iWinW) / kFrameWidth;
    // Frame column x lands at iWinW / 2 + scale * (x - 512): the read-outs'
    // column at the read-outs' left edge, k * (1024 - x) from the right.
    const int32_t iCol = FramePos(29, kReadoutCol).iX;
    const double dRoom = (iWinW / 2.0 - k * (kFrameWidth - iCol)) / (iCol - kFrameWidth / 2.0);
    // No room at all on a window hardly wider than the read-outs: fitted.
    if (dRoom <= 0.0 || dRoom >= dFitted) return 1.0;
    return dRoom / dFitted;
}

TextPos AnchorPos(int32_t iWinW, int32_t iWinH, int32_t k, TextBlock eBlock, int32_t iLine, int32_t iCol) {
    const TextPos f = FramePos(iLine, iCol);
    const int32_t iFromRight = iWinW - k * (kFrameWidth - f.iX);
    const int32_t iFromTop = iWinH - k * (kFrameHeight - f.iY);
    switch (eBlock) {
    case TextBlock::kCredits:
        return {k * f.iX, iFromTop};
    case TextBlock::kStatus:
        return {iFromRight, iFromTop};
    case TextBlock::kCrossHair:
        // Same distance from the centre row as on the frame, where it is 384.
        return {iFromRight, FloorDiv(iWinH - k * kFrameHeight, 2) + k * f.iY};
    case TextBlock::kCaption: {
        // The images sit where they do in the frame centred in the window and
        // scaled as the globe is: by the height on windows of 4:3 or wider,
        // by the width on narrower ones, where the pair may be smaller still
        // (PairShrink). A caption keeps its offset from its image's centre
        // column and, on a narrower window, from its image's bottom edge.
        const int32_t iImage = f.iX < kFrameWidth / 2 ? kImageLeft : kImageRight;
        const int32_t iFromCentre = iImage - kFrameWidth / 2;  // px on the frame, exact
        const double dFitted = std::min(double(iWinW) * kFrameHeight, double(iWinH) * kFrameWidth) *
                               PairShrink(iWinW, iWinH, k);
        const int32_t iShift = static_cast<int32_t>(
            std::lround(iFromCentre * dFitted / (double(kFrameWidth) * kFrameHeight)));
        const int32_t iX = FloorDiv(iWinW, 2) + iShift + k * (f.iX - iImage);
        if (!Narrow(iWinW, iWinH)) return {iX, k * f.iY};
        const int32_t iHalf = static_cast<int32_t>(
            std::lround(kImageHalf * dFitted / (double(kFrameWidth) * kFrameHeight)));
        const int32_t iBottom = FloorDiv(iWinH, 2) - iHalf;
        return {iX, iBottom - k * (kFrameHeight / 2 - kImageHalf - f.iY)};
    }
    case TextBlock::kDisclaimer:
        return {k * f.iX, k * f.iY};
    case TextBlock::kMission:
        return {iFromRight, k * f.iY};
    }
    return {k * f.iX, k * f.iY};
}
