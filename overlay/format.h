// Fixed-width fields written into an 80-character panel line. Every field
// is right-aligned in its width and filled with asterisks when the value does
// not fit. Nothing is allocated; text that would run past column 80 is cut.
#pragma once

#include <cstdint>

constexpr int32_t kLineLen = 80;

struct LineBuf {
    char c[kLineLen];  // the line, blank beyond the last field
    int32_t n;         // characters written so far
};

// All 80 characters blank, write position at the start.
void LineStart(LineBuf& buf);

// Aw: w characters of cText as they stand (NULs included).
void PutA(LineBuf& buf, const char* cText, int32_t w);

// A NUL-terminated text, as many characters as it has.
void PutS(LineBuf& buf, const char* cText);

// A1 from a character code; only the low byte is kept (176 degree, 177 plus-minus).
void PutChar(LineBuf& buf, int32_t iCode);

// Iw: signed decimal integer.
void PutI(LineBuf& buf, int64_t iValue, int32_t w);

// Zw: hexadecimal, upper-case digits, no leading zeros.
void PutZ(LineBuf& buf, uint32_t iValue, int32_t w);

// Fw.d: fixed point rounded to d decimals. The "0" before the point is
// dropped only when the field is too narrow for it; d = 0 gives "1738.".
// A negative value keeps its minus sign even when it rounds to zero; only
// zero itself (of either sign) has none. Infinities read "Infinity"
// ("-Infinity"), or "Inf" ("-Inf") in a narrower field; NaN reads "NaN".
void PutF(LineBuf& buf, double dValue, int32_t w, int32_t d);
