// StatOrth and the status lines it prints.
#include "overlay/status.h"

#include <iterator>

#include "base/check_gl.h"
#include "base/view_state.h"
#include "overlay/palette.h"
#include "overlay/panel.h"
#include "overlay/text.h"

namespace {

using enum TextBlock;

constexpr PanelRow kStatusTable[] = {
    {kStatus, 1, kStatusCol, kClrWhite, "####################", Shown::kAlways, Field::kVersion},
    {kStatus, 2, kStatusCol, kClrDarkGray, "x=#### y=####", Shown::kLevel2, Field::kMouse},
    {kStatus, 3, kStatusCol, kClrDarkGray, "MenuNew=  ###", Shown::kLevel3, Field::kMenu},
    {kStatus, 4, kStatusCol, kClrDarkGray, "KeyChar=  ### #", Shown::kLevel3, Field::kKey},
    {kStatus, 5, kStatusCol, kClrDarkGray, "ArrowKey= ###", Shown::kLevel3, Field::kArrow},
    {kStatus, 6, kStatusCol, kClrDarkGray, "glGetError=########", Shown::kLevel3, Field::kGlError},
    {kStatus, 7, kStatusCol, kClrLightCyan, "RMB:menu Qq:quit", Shown::kLevel3},
    {kStatus, 8, kStatusCol, kClrLightCyan, "LMB+mouse:motion", Shown::kLevel3},
    {kStatus, 9, kStatusCol, kClrLightBlue, " ~ :screen dump ", Shown::kLevel3},
};
static_assert(std::size(kStatusTable) <= kPanelLinesMax);

}  // namespace

const std::span<const PanelRow> kStatusRows = kStatusTable;

void ComposeStatus(const ViewStateRecord& vs, int32_t level, int32_t iErr, PanelLines& out) {
    out.nLines = 0;
    if (level < 1) return;
    ComposeRows(kStatusRows, {&vs, level, iErr, false, vs.nDiscl}, out);
}

void StatOrth(int32_t level) {
    if (level < 1) return;
    PanelLines lines;
    ComposeStatus(ViewState, level, ViewState.iPanelErr, lines);
    PrintLines(lines);
    CheckGL(kSiteStatOrth, ViewState.iPanelErr);
}
