// Prnt3D: vector-font labels as one batch of lines, their strokes kept per label.
#include "overlay/prnt3d.h"

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <vector>

#include "overlay/palette.h"

namespace {

// A label's strokes as they were made, with what they were made from. The
// labels stand still on the globe, so the next frame and the second eye pass
// of a pair draw the same strokes again; only the pole names turn with the
// spin, and are made anew.
struct StrokeSlot {
    bool bMade;
    StrokeKey key;
    std::vector<Segment3> seg;     // for the test of what the globe hides
    std::vector<GLfloat> xyz;      // the strokes' ends, as glVertex3dv would round them; a
                                   // stroke that starts where the last one ended shares its end
    std::vector<GLuint> ends;      // two indices into xyz a stroke
};

// One vertex of the batch as glInterleavedArrays(GL_C3F_V3F) takes it.
struct LabelVertex {
    GLfloat r, g, b;
    GLfloat x, y, z;
};

// Everything the labels keep: the run of labels in hand and the slots.
struct LabelState {
    bool bHide;        // the globe hides strokes in the shadow of kHideRadius
    Vec3 eye;          // scene units, in the globe's frame
    int32_t iSlot;     // slot of the next label
    std::vector<LabelVertex> vertices;  // the ends of the labels' strokes, in label order
    std::vector<GLuint> lines;          // two vertices a stroke drawn
    std::array<StrokeSlot, kLabelSlots> slots;
    StrokeSlot spare;  // a label past the last slot, made anew each time
};
LabelState labels{};

void MakeStrokes(StrokeSlot& slot, const StrokeKey& key, const char* cLabel) {
    std::array<Segment3, kMaxLabelSegments> seg;  // 28 KiB of stack
    const int n = LabelSegments(cLabel, key.dPos, key.dAng, key.dSize, seg);
    slot.seg.assign(seg.begin(), seg.begin() + n);
    slot.xyz.clear();
    slot.ends.clear();
    auto push = [&](const Vec3& p) {
        for (const double d : p) slot.xyz.push_back(static_cast<GLfloat>(d));
        return static_cast<GLuint>(slot.xyz.size() / 3 - 1);
    };
    for (std::size_t j = 0; j < slot.seg.size(); ++j) {
        const Segment3& s = slot.seg[j];
        const bool bJoined = j > 0 && s.a == slot.seg[j - 1].b;
        slot.ends.push_back(bJoined ? slot.ends.back() : push(s.a));
        slot.ends.push_back(push(s.b));
    }
    slot.key = key;
    slot.bMade = true;
}

}  // namespace

void LabelsBegin(bool bGlobe, int32_t iFirstSlot) {
    LabelState& l = labels;
    l.bHide = bGlobe;
    if (bGlobe) {
        double m[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        l.eye = EyeInFrame(m);
    }
    l.iSlot = iFirstSlot;
    l.vertices.clear();
    l.lines.clear();
}

void LabelsEnd() {
    LabelState& l = labels;
    if (l.lines.empty()) return;
    // Sets the arrays the batch is drawn from, and only those enabled.
    glInterleavedArrays(GL_C3F_V3F, 0, l.vertices.data());
    glDrawElements(GL_LINES, static_cast<GLsizei>(l.lines.size()), GL_UNSIGNED_INT, l.lines.data());
}

void Prnt3D(const char* cLabel, const Vec3& dPos, const Vec3& dAng, double dSize, int32_t iLabClr) {
    LabelState& l = labels;
    // SetClr's stop on a colour outside the palette; the colour itself goes
    // with each vertex, and with flat shading a line takes its second
    // vertex's.
    PaletteCheck(iLabClr);
    const std::array<float, 3> rgb = PaletteRgb(iLabClr);
    const bool bSlot = l.iSlot >= 0 && l.iSlot < kLabelSlots;
    StrokeSlot& slot = bSlot ? l.slots.at(static_cast<std::size_t>(l.iSlot)) : l.spare;
    ++l.iSlot;
    const StrokeKey key = MakeStrokeKey(cLabel, dPos, dAng, dSize);
    if (!bSlot || !slot.bMade || !(slot.key == key)) MakeStrokes(slot, key, cLabel);
    const auto iBase = static_cast<GLuint>(l.vertices.size());
    const std::size_t nLines = l.lines.size();
    for (std::size_t j = 0; j < slot.seg.size(); ++j) {
        if (l.bHide && StrokeHidden(slot.seg[j], l.eye, kHideRadius)) continue;
        l.lines.push_back(iBase + slot.ends[2 * j]);
        l.lines.push_back(iBase + slot.ends[2 * j + 1]);
    }
    // The ends of a label with a stroke to draw.
    if (l.lines.size() == nLines) return;
    for (std::size_t i = 0; i < slot.xyz.size(); i += 3)
        l.vertices.push_back({rgb[0], rgb[1], rgb[2], slot.xyz[i], slot.xyz[i + 1], slot.xyz[i + 2]});
}
