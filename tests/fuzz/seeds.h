// Seed inputs for the surface-image fuzz target, built in memory so that no
// half-megabyte file needs to be kept: a valid map and damaged variants of it,
// each reaching a different check of BmpParse.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qarnfuzz {

struct Seed {
    std::string cName;
    std::vector<uint8_t> bData;
};

inline void Put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(u >> (8 * k));
}
inline void Put16(std::vector<uint8_t>& b, size_t at, int16_t v) {
    const uint16_t u = static_cast<uint16_t>(v);
    b[at] = static_cast<uint8_t>(u);
    b[at + 1] = static_cast<uint8_t>(u >> 8);
}

// An 8-bit BMP of w x h pixels with nColours palette entries (a gray ramp)
// and an information header of nInfo bytes; the pixel data follows the
// palette at once. Pixels are a diagonal pattern.
inline std::vector<uint8_t> GrayBmp(int32_t w, int32_t h, int32_t nColours = 256,
                                    int32_t nInfo = 40) {
    const size_t nOff = 14 + size_t(nInfo) + 4 * size_t(nColours);
    const size_t nPix = size_t(w) * size_t(h);
    std::vector<uint8_t> b(nOff + nPix, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<int32_t>(b.size()));
    Put32(b, 10, static_cast<int32_t>(nOff));
    Put32(b, 14, nInfo);
    Put32(b, 18, w);
    Put32(b, 22, h);
    Put16(b, 26, 1);
    Put16(b, 28, 8);
    Put32(b, 38, 3780);
    Put32(b, 42, 3780);
    Put32(b, 46, nColours == 256 ? 0 : nColours);
    for (int32_t k = 0; k < nColours; ++k) {
        const auto g = static_cast<uint8_t>(k * 255 / (nColours > 1 ? nColours - 1 : 1));
        b[14 + nInfo + 4 * k] = g;
        b[14 + nInfo + 4 * k + 1] = g;
        b[14 + nInfo + 4 * k + 2] = g;
    }
    for (size_t n = 0; n < nPix; ++n) b[nOff + n] = static_cast<uint8_t>((n % size_t(w) + n / size_t(w)) % 256);
    return b;
}

// The seed corpus: names say what each one tries.
inline std::vector<Seed> Seeds() {
    std::vector<Seed> s;
    const std::vector<uint8_t> valid = GrayBmp(1024, 512);
    s.push_back({"valid", valid});
    s.push_back({"valid_v5_header", GrayBmp(1024, 512, 256, 124)});
    s.push_back({"short_palette_16", GrayBmp(1024, 512, 16)});

    auto cut = [&](size_t n) { return std::vector<uint8_t>(valid.begin(), valid.begin() + n); };
    s.push_back({"truncated_in_header", cut(30)});
    s.push_back({"truncated_in_palette", cut(600)});
    s.push_back({"truncated_in_pixels", cut(valid.size() - 1)});

    auto edit = [&](const char* cName, auto fn) {
        std::vector<uint8_t> b = valid;
        fn(b);
        s.push_back({cName, std::move(b)});
    };
    edit("depth_24", [](std::vector<uint8_t>& b) { Put16(b, 28, 24); });
    edit("depth_1", [](std::vector<uint8_t>& b) { Put16(b, 28, 1); });
    edit("huge_width", [](std::vector<uint8_t>& b) { Put32(b, 18, 0x7fffffff); });
    edit("huge_height", [](std::vector<uint8_t>& b) { Put32(b, 22, 0x7fffffff); });
    edit("negative_height", [](std::vector<uint8_t>& b) { Put32(b, 22, -512); });
    edit("rle8", [](std::vector<uint8_t>& b) { Put32(b, 30, 1); });
    edit("palette_count_past_end", [](std::vector<uint8_t>& b) { Put32(b, 46, 0x40000000); });
    edit("palette_count_negative", [](std::vector<uint8_t>& b) { Put32(b, 46, -1); });
    edit("palette_overlaps_pixels", [](std::vector<uint8_t>& b) { Put32(b, 10, 54 + 512); });
    edit("info_header_past_end", [](std::vector<uint8_t>& b) { Put32(b, 14, 0x7ffffff0); });
    edit("info_header_negative", [](std::vector<uint8_t>& b) { Put32(b, 14, int32_t(0x80000000u)); });
    edit("pixel_offset_past_end", [](std::vector<uint8_t>& b) { Put32(b, 10, 0x7fffffff); });
    edit("pixel_offset_negative", [](std::vector<uint8_t>& b) { Put32(b, 10, -1078); });
    edit("no_signature", [](std::vector<uint8_t>& b) { b[0] = 'M'; b[1] = 'B'; });
    s.push_back({"empty", {}});
    return s;
}

}  // namespace qarnfuzz
