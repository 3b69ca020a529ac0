// The panel's composed lines: appending a row's line and its text.
#include "overlay/panel_rows.h"

#include <cstddef>

#include "base/stop.h"

LineBuf& AddLine(PanelLines& out, TextBlock eBlock, int32_t iLine, int32_t iCol, int32_t n, int32_t iClr) {
    if (out.nLines < 0 || out.nLines >= kPanelLinesMax) StopFatal("AddLine: more than 16 lines in one panel section.");
    PanelLine& line = out.line[static_cast<std::size_t>(out.nLines++)];
    line.eBlock = eBlock;
    line.iLine = iLine;
    line.iCol = iCol;
    line.n = n;
    line.iClr = iClr;
    LineStart(line.buf);
    return line.buf;
}

LineBuf& AddRow(PanelLines& out, const PanelRow& row, int32_t iClr, int32_t iShift) {
    LineBuf& buf = AddLine(out, row.eBlock, row.iLine + iShift, row.iCol, RowWidth(row), iClr);
    RowText(buf, row);
    return buf;
}

void RowText(LineBuf& buf, const PanelRow& row) {
    while (buf.n >= 0 && buf.n < RowWidth(row) && buf.n < kLineLen &&
           row.cText[static_cast<std::size_t>(buf.n)] != kFieldMark) {
        buf.c[buf.n] = row.cText[static_cast<std::size_t>(buf.n)];
        ++buf.n;
    }
}
