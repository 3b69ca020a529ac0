// Fixed-width fields written into an 80-character line buffer.
#include "overlay/format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

void LineStart(LineBuf& buf) {
    std::memset(buf.c, ' ', sizeof buf.c);
    buf.n = 0;
}

namespace {

void PutRaw(LineBuf& buf, char ch) {
    if (buf.n < kLineLen) buf.c[buf.n] = ch;
    if (buf.n < kLineLen) ++buf.n;
}

// cText (nText characters) right-aligned in w columns, or w asterisks.
void PutRight(LineBuf& buf, const char* cText, int32_t nText, int32_t w) {
    if (w <= 0) return;
    if (nText > w) {
        for (int32_t k = 0; k < w; ++k) PutRaw(buf, '*');
        return;
    }
    for (int32_t k = nText; k < w; ++k) PutRaw(buf, ' ');
    for (int32_t k = 0; k < nText; ++k) PutRaw(buf, cText[k]);
}

}  // namespace

void PutA(LineBuf& buf, const char* cText, int32_t w) {
    for (int32_t k = 0; k < w; ++k) PutRaw(buf, cText[k]);
}

void PutS(LineBuf& buf, const char* cText) { PutA(buf, cText, static_cast<int32_t>(std::strlen(cText))); }

void PutChar(LineBuf& buf, int32_t iCode) { PutRaw(buf, static_cast<char>(static_cast<unsigned char>(iCode & 0xFF))); }

void PutI(LineBuf& buf, int64_t iValue, int32_t w) {
    char cDigits[24];
    const int nText = std::snprintf(cDigits, sizeof cDigits, "%lld", static_cast<long long>(iValue));
    PutRight(buf, cDigits, nText, w);
}

void PutZ(LineBuf& buf, uint32_t iValue, int32_t w) {
    char cDigits[12];
    const int nText = std::snprintf(cDigits, sizeof cDigits, "%X", static_cast<unsigned>(iValue));
    PutRight(buf, cDigits, nText, w);
}

void PutF(LineBuf& buf, double dValue, int32_t w, int32_t d) {
    if (w <= 0) return;
    if (std::isnan(dValue)) {
        PutRight(buf, "NaN", 3, w);
        return;
    }
    if (std::isinf(dValue)) {
        const bool bNeg = dValue < 0.0;
        const char* cLong = bNeg ? "-Infinity" : "Infinity";
        const char* cShort = bNeg ? "-Inf" : "Inf";
        const int32_t nLong = bNeg ? 9 : 8;
        if (nLong <= w)
            PutRight(buf, cLong, nLong, w);
        else
            PutRight(buf, cShort, nLong - 5, w);
        return;
    }
    if (d < 0) d = 0;
    if (d > 60) d = 60;

    // Digits of |value| rounded to d decimals; the largest double has 309
    // integer digits.
    char cDigits[400];
    int32_t nText = std::snprintf(cDigits, sizeof cDigits, "%.*f", static_cast<int>(d), std::fabs(dValue));
    if (nText < 0 || nText >= static_cast<int32_t>(sizeof cDigits)) {
        PutRight(buf, "", w + 1, w);
        return;
    }
    // Sign, integer digits, the point, the decimals. Any value below zero
    // keeps its minus, even when it rounds to zero (-0.04 in F6.1 is
    // "  -0.0"); zero itself, -0.0 included, has none.
    char cField[404];
    int32_t nField = 0;
    if (dValue < 0.0) cField[nField++] = '-';
    std::memcpy(cField + nField, cDigits, static_cast<size_t>(nText));
    nField += nText;
    if (d == 0) cField[nField++] = '.';

    // "0.500" becomes ".500" only when the field needs the column.
    const int32_t iZero = (cField[0] == '-') ? 1 : 0;
    if (nField > w && cField[iZero] == '0' && cField[iZero + 1] == '.') {
        std::memmove(cField + iZero, cField + iZero + 1, static_cast<size_t>(nField - iZero - 1));
        --nField;
    }
    PutRight(buf, cField, nField, w);
}
