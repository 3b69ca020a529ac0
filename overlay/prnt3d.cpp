#include "overlay/prnt3d.h"

#include <GL/gl.h>

#include <array>

#include "overlay/palette.h"

void LabelState() {
    glLineWidth(1.0f);
    glShadeModel(GL_FLAT);
}

void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr) {
    SetClr(iLabClr);
    std::array<Segment3, kMaxLabelSegments> seg;  // 28 KiB of stack, nothing allocated
    const int n = LabelSegments(cLabel, dPos, dAng, dSize, seg);
    if (n == 0) return;
    // GL_LINES takes every two vertices as a line of its own, so the strokes
    // stay separate segments in one batch.
    glBegin(GL_LINES);
    for (int i = 0; i < n; ++i) {
        glVertex3dv(seg[static_cast<std::size_t>(i)].a.data());
        glVertex3dv(seg[static_cast<std::size_t>(i)].b.data());
    }
    glEnd();
}
