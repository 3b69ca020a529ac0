#include "base/view_state.h"

ViewStateRecord ViewState{};

WindowPixels ShownSize(int32_t iReportedW, int32_t iReportedH, const ViewStateRecord& vs) {
    if (iReportedW > 0 && iReportedH > 0) return {iReportedW, iReportedH};
    return {vs.iWidth, vs.iHeight};
}
