#include "overlay/prnt3d.h"

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "overlay/palette.h"

namespace {

// The run of labels in hand: what hides its strokes, and the strokes to draw
// as one array of lines when it ends.
struct LabelBatch {
    bool bHide;                // the globe hides strokes in the shadow of kHideRadius
    Vec3 eye;                  // scene units, in the globe's frame
    bool bClr;                 // a label has made its colour current in this run
    int32_t iClr;              // the last label's colour
    std::array<float, 3> rgb;  // and its glColor3f arguments
    std::vector<GLfloat> xyz;  // two vertices a stroke, as glVertex3dv would round them
    std::vector<GLfloat> clr;  // the colour of each vertex
};
LabelBatch labels{};

void PushVertex(const Vec3& p) {
    for (const double d : p) labels.xyz.push_back(static_cast<GLfloat>(d));
    labels.clr.insert(labels.clr.end(), labels.rgb.begin(), labels.rgb.end());
}

}  // namespace

void LabelsBegin(bool bGlobe) {
    labels.bHide = bGlobe;
    if (bGlobe) {
        double m[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        labels.eye = EyeInFrame(m);
    }
    labels.bClr = false;
    labels.xyz.clear();
    labels.clr.clear();
    glLineWidth(1.0f);
    glShadeModel(GL_FLAT);
}

void LabelsEnd() {
    if (!labels.xyz.empty()) {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, labels.xyz.data());
        glColorPointer(3, GL_FLOAT, 0, labels.clr.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(labels.xyz.size() / 3));
        glPopClientAttrib();
    }
    // The colour array leaves the current colour undefined: the last
    // label's, as the labels drawn one by one left it.
    if (labels.bClr) SetClr(labels.iClr);
}

void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr) {
    std::array<Segment3, kMaxLabelSegments> seg;  // 28 KiB of stack, nothing allocated
    const int n = LabelSegments(cLabel, dPos, dAng, dSize, seg);
    Prnt3DStrokes(std::span<const Segment3>(seg.data(), static_cast<std::size_t>(n)), iLabClr);
}

void Prnt3DStrokes(std::span<const Segment3> seg, int32_t iLabClr) {
    // The colour of both vertices of each stroke; with flat shading a line
    // takes its second vertex's. SetClr also stops on a colour outside the
    // palette, as when the label was drawn at once.
    if (!labels.bClr || iLabClr != labels.iClr) {
        SetClr(iLabClr);
        labels.bClr = true;
        labels.iClr = iLabClr;
        labels.rgb = PaletteRgb(iLabClr);
    }
    for (const Segment3& s : seg) {
        if (labels.bHide && StrokeHidden(s, labels.eye, kHideRadius)) continue;
        PushVertex(s.a);
        PushVertex(s.b);
    }
}
