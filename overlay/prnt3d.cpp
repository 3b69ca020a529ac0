#include "overlay/prnt3d.h"

#include <GL/gl.h>

#include "overlay/palette.h"

void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr) {
    glLineWidth(1.0f);
    glShadeModel(GL_FLAT);
    SetClr(iLabClr);
    const LabelAxes axes = LabelFrame(dAng);
    Segment3 seg[kMaxGlyphSegments];
    for (int k = 1; k <= kLabelChars; ++k) {
        const auto c = static_cast<unsigned char>(cLabel[k - 1]);
        if (c == 0) break;
        const int n = GlyphSegments(c, k, dPos, axes, dSize, seg);
        // One primitive per stroke.
        for (int i = 0; i < n; ++i) {
            glBegin(GL_LINES);
            glVertex3d(seg[i].a[0], seg[i].a[1], seg[i].a[2]);
            glVertex3d(seg[i].b[0], seg[i].b[1], seg[i].b[2]);
            glEnd();
        }
    }
}
