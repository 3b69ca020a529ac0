#include "overlay/prnt3d.h"

#include <GL/gl.h>

#include <array>
#include <cstddef>

#include "overlay/palette.h"

void LabelsBegin() {
    glLineWidth(1.0f);
    glShadeModel(GL_FLAT);
    glBegin(GL_LINES);
}

void LabelsEnd() { glEnd(); }

void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr) {
    // The colour of each vertex that follows; with flat shading a line takes
    // its second vertex's, which is this label's.
    SetClr(iLabClr);
    std::array<Segment3, kMaxLabelSegments> seg;  // 28 KiB of stack, nothing allocated
    const int n = LabelSegments(cLabel, dPos, dAng, dSize, seg);
    for (int i = 0; i < n; ++i) {
        glVertex3dv(seg[static_cast<std::size_t>(i)].a.data());
        glVertex3dv(seg[static_cast<std::size_t>(i)].b.data());
    }
}
