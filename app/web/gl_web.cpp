// The web build's GL: the forms of app/web/gl_web.h, and what Emscripten's
// legacy GL emulation and GLUT lack, defined here under GL's own names.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "input/mouse.h"

// Straight to the emulation: this file is not to route through itself.
#undef glTexImage2D
#undef glTexSubImage2D
#undef glTexParameteri
#undef glTexParameterfv
#undef glPixelStorei
#undef glBindTexture
#undef glTexEnvi
#undef glDrawElements
#undef glReadBuffer
#undef glReadPixels
#undef glutFullScreen

namespace {

// ---- Textures ---------------------------------------------------------------

// What the emulation is not told: the unpack settings WebGL lacks, the
// texture bound, and which textures hold ink (made as GL_ALPHA).
struct TexState {
    GLint iRowLength;   // GL_UNPACK_ROW_LENGTH, pixels, 0 for the image's width
    GLint iSkipRows;
    GLint iSkipPixels;
    GLint iAlignment;   // GL_UNPACK_ALIGNMENT, bytes
    GLuint iBound;      // GL_TEXTURE_2D binding
    std::set<GLuint> ink;
    std::vector<uint8_t> rows;  // rows packed for an upload
};
TexState tex{0, 0, 0, 4, 0, {}, {}};

bool BoundIsInk() { return tex.ink.count(tex.iBound) != 0; }

// The pixels of a width x height upload as the desktop's unpack settings
// describe them, packed tight (ink as white luminance with its alpha).
const void* PackedRows(GLsizei width, GLsizei height, GLenum format, GLenum type, const void* pixels, bool bInk) {
    if (pixels == nullptr) return nullptr;
    const int nComp = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1;
    const int nBytes = type == GL_UNSIGNED_BYTE ? 1 : 4;
    const std::size_t nPixel = static_cast<std::size_t>(nComp) * nBytes;
    const std::size_t nRowIn = static_cast<std::size_t>(tex.iRowLength > 0 ? tex.iRowLength : width) * nPixel;
    const std::size_t nStride = (nRowIn + tex.iAlignment - 1) / tex.iAlignment * tex.iAlignment;
    const std::size_t nRowOut = static_cast<std::size_t>(width) * nPixel * (bInk ? 2 : 1);
    tex.rows.resize(nRowOut * static_cast<std::size_t>(height));
    const auto* bIn = static_cast<const uint8_t*>(pixels) + tex.iSkipRows * nStride + tex.iSkipPixels * nPixel;
    for (GLsizei y = 0; y < height; ++y) {
        const uint8_t* src = bIn + y * nStride;
        uint8_t* dst = tex.rows.data() + y * nRowOut;
        if (!bInk) {
            std::memcpy(dst, src, static_cast<std::size_t>(width) * nPixel);
            continue;
        }
        for (GLsizei x = 0; x < width; ++x) {
            dst[2 * x] = 255;
            dst[2 * x + 1] = src[x];
        }
    }
    return tex.rows.data();
}

// ---- The sphere -------------------------------------------------------------

// GLU's quadric: the settings gluSphere reads.
struct Quadric {
    GLenum eStyle;    // GLU_FILL or GLU_LINE
    GLboolean bTexture;
};

// One sphere's vertices as GLU computes them. Filled: each stack's quad
// strip as a triangle strip, the two vertices of each slice in the order
// that splits every quad along the diagonal Mesa's quad strips take (lower
// ring first: near the poles, where a quad's side shrinks to a point, the
// other diagonal would take another slice's texture coordinate); the stacks
// joined into one strip by repeated vertices. Lines: its parallels and
// meridians as segments.
struct SphereMesh {
    double dRadius;
    GLint nSlices, nStacks;
    GLenum eStyle;
    std::vector<GLfloat> xyz;
    std::vector<GLfloat> st;
};
std::vector<SphereMesh> meshes;

// GLU's arithmetic: angles in single precision, sines and cosines in double.
const SphereMesh& MeshFor(double dRadius, GLint nSlices, GLint nStacks, GLenum eStyle) {
    for (const SphereMesh& m : meshes)
        if (m.dRadius == dRadius && m.nSlices == nSlices && m.nStacks == nStacks && m.eStyle == eStyle) return m;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<GLfloat> sinA(nSlices + 1), cosA(nSlices + 1), sinB(nStacks + 1), cosB(nStacks + 1);
    for (GLint i = 0; i < nSlices; ++i) {
        const GLfloat angle = static_cast<GLfloat>(2 * kPi * i / nSlices);
        sinA[i] = static_cast<GLfloat>(std::sin(angle));
        cosA[i] = static_cast<GLfloat>(std::cos(angle));
    }
    sinA[nSlices] = sinA[0];
    cosA[nSlices] = cosA[0];
    for (GLint j = 0; j <= nStacks; ++j) {
        const GLfloat angle = static_cast<GLfloat>(kPi * j / nStacks);
        sinB[j] = static_cast<GLfloat>(dRadius * std::sin(angle));
        cosB[j] = static_cast<GLfloat>(dRadius * std::cos(angle));
    }
    sinB[0] = 0;  // the poles come to a point
    sinB[nStacks] = 0;

    SphereMesh m{dRadius, nSlices, nStacks, eStyle, {}, {}};
    auto put = [&m](GLfloat x, GLfloat y, GLfloat z, GLfloat s, GLfloat t) {
        m.xyz.insert(m.xyz.end(), {x, y, z});
        m.st.insert(m.st.end(), {s, t});
    };
    auto repeat = [&m]() {
        m.xyz.insert(m.xyz.end(), m.xyz.end() - 3, m.xyz.end());
        m.st.insert(m.st.end(), m.st.end() - 2, m.st.end());
    };
    if (eStyle == GLU_FILL) {
        // Outside orientation, texture coordinates on.
        for (GLint j = 0; j < nStacks; ++j) {
            const GLfloat zLow = cosB[j], zHigh = cosB[j + 1];
            const GLfloat rLow = sinB[j], rHigh = sinB[j + 1];
            const GLfloat tHigh = 1 - static_cast<float>(j + 1) / nStacks;
            const GLfloat tLow = 1 - static_cast<float>(j) / nStacks;
            for (GLint i = 0; i <= nSlices; ++i) {
                const GLfloat s = 1 - static_cast<float>(i) / nSlices;
                put(rLow * sinA[i], rLow * cosA[i], zLow, s, tLow);
                if (i == 0 && j > 0) repeat();
                put(rHigh * sinA[i], rHigh * cosA[i], zHigh, s, tHigh);
            }
            // The join: this stack's last vertex twice, the next one's first
            // twice, three empty triangles between the stacks.
            if (j + 1 < nStacks) repeat();
        }
    } else {
        for (GLint j = 1; j < nStacks; ++j)
            for (GLint i = 0; i < nSlices; ++i) {
                put(sinB[j] * sinA[i], sinB[j] * cosA[i], cosB[j], 1 - static_cast<float>(i) / nSlices,
                    1 - static_cast<float>(j) / nStacks);
                put(sinB[j] * sinA[i + 1], sinB[j] * cosA[i + 1], cosB[j], 1 - static_cast<float>(i + 1) / nSlices,
                    1 - static_cast<float>(j) / nStacks);
            }
        for (GLint i = 0; i < nSlices; ++i)
            for (GLint j = 0; j < nStacks; ++j) {
                put(sinA[i] * sinB[j], cosA[i] * sinB[j], cosB[j], 1 - static_cast<float>(i) / nSlices,
                    1 - static_cast<float>(j) / nStacks);
                put(sinA[i] * sinB[j + 1], cosA[i] * sinB[j + 1], cosB[j + 1], 1 - static_cast<float>(i) / nSlices,
                    1 - static_cast<float>(j + 1) / nStacks);
            }
    }
    meshes.push_back(std::move(m));
    return meshes.back();
}

// ---- Client arrays ----------------------------------------------------------

// The interleaved array last given, for 32-bit indices beyond 16 bits.
struct Interleaved {
    GLenum eFormat;
    const GLfloat* pData;
};
Interleaved arrays{0, nullptr};

// ---- The menu ----------------------------------------------------------------

void (*MenuCallback)(int) = nullptr;

}  // namespace

extern "C" {

// ---- Forms of gl_web.h ---------------------------------------------------------

void WebTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                   GLenum format, GLenum type, const void* pixels) {
    if (format == GL_ALPHA) {
        tex.ink.insert(tex.iBound);
        glTexImage2D(target, level, GL_LUMINANCE_ALPHA, width, height, border, GL_LUMINANCE_ALPHA, type,
                     PackedRows(width, height, format, type, pixels, true));
        return;
    }
    tex.ink.erase(tex.iBound);
    // Internal format 3 (three components) is GL_RGB.
    const GLint iInternal = internalFormat == 3 ? GL_RGB : internalFormat == 4 ? GL_RGBA : internalFormat;
    glTexImage2D(target, level, iInternal, width, height, border, format, type,
                 PackedRows(width, height, format, type, pixels, false));
}

void WebTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                      GLenum type, const void* pixels) {
    const bool bInk = format == GL_ALPHA && BoundIsInk();
    glTexSubImage2D(target, level, x, y, width, height, bInk ? GL_LUMINANCE_ALPHA : format, type,
                    PackedRows(width, height, format, type, pixels, bInk));
}

void WebTexParameteri(GLenum target, GLenum pname, GLint param) {
    glTexParameteri(target, pname, param == GL_CLAMP ? GL_CLAMP_TO_EDGE : param);
}

// WebGL has no border colour: with GL_CLAMP_TO_EDGE no texel of the border
// is ever sampled, so there is nothing to set.
void WebTexParameterfv(GLenum target, GLenum pname, const GLfloat* params) {
    if (pname != GL_TEXTURE_BORDER_COLOR) glTexParameterfv(target, pname, params);
}

void WebPixelStorei(GLenum pname, GLint param) {
    switch (pname) {
        case GL_UNPACK_ROW_LENGTH: tex.iRowLength = param; return;
        case GL_UNPACK_SKIP_ROWS: tex.iSkipRows = param; return;
        case GL_UNPACK_SKIP_PIXELS: tex.iSkipPixels = param; return;
        case GL_UNPACK_ALIGNMENT: tex.iAlignment = param; break;
        case GL_PACK_ALIGNMENT: break;
        default: return;  // byte order and bit order: the desktop sets only the defaults
    }
    glPixelStorei(pname, param);
}

void WebBindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) tex.iBound = texture;
    glBindTexture(target, texture);
}

void WebTexEnvi(GLenum target, GLenum pname, GLint param) {
    // GL_REPLACE on ink: the colour as it is, the texture's alpha; on white
    // luminance that is what GL_MODULATE gives.
    if (pname == GL_TEXTURE_ENV_MODE && param == GL_REPLACE && BoundIsInk()) param = GL_MODULATE;
    glTexEnvi(target, pname, param);
}

void WebDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    if (type != GL_UNSIGNED_INT) {
        glDrawElements(mode, count, type, indices);
        return;
    }
    const auto* iIn = static_cast<const GLuint*>(indices);
    const GLuint iMax = count > 0 ? *std::max_element(iIn, iIn + count) : 0;
    if (iMax <= 0xFFFF) {
        std::vector<GLushort> iShort(iIn, iIn + count);
        glDrawElements(mode, count, GL_UNSIGNED_SHORT, iShort.data());
        return;
    }
    // More vertices than 16 bits reach: each element sent by itself.
    const int nStride = arrays.eFormat == GL_T2F_C3F_V3F ? 8 : 6;
    const int iColorAt = arrays.eFormat == GL_T2F_C3F_V3F ? 2 : 0;  // floats before the colour
    glBegin(mode);
    for (GLsizei k = 0; k < count; ++k) {
        const GLfloat* v = arrays.pData + static_cast<std::size_t>(iIn[k]) * nStride;
        if (iColorAt != 0) glTexCoord2f(v[0], v[1]);
        glColor3f(v[iColorAt], v[iColorAt + 1], v[iColorAt + 2]);
        glVertex3f(v[iColorAt + 3], v[iColorAt + 4], v[iColorAt + 5]);
    }
    glEnd();
}

// The canvas has one colour buffer, which keeps the last frame drawn.
void WebReadBuffer(GLenum) {}

void WebReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels) {
    // WebGL reads RGBA bytes only, rows packed by GL_PACK_ALIGNMENT; the
    // callers pack by 1 and ask for rows of 1 or 3 components.
    const std::size_t n = static_cast<std::size_t>(width) * height;
    std::vector<uint8_t> rgba(4 * n);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const int nComp = format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 1;
    const int iFirst = format == GL_GREEN ? 1 : format == GL_BLUE ? 2 : 0;
    for (std::size_t p = 0; p < n; ++p)
        for (int c = 0; c < nComp; ++c) {
            const uint8_t b = rgba[4 * p + iFirst + c];
            if (type == GL_FLOAT)
                static_cast<GLfloat*>(pixels)[nComp * p + c] = b / 255.0f;
            else
                static_cast<uint8_t*>(pixels)[nComp * p + c] = b;
        }
}

// A page may go full screen only on a click or a tap: the page asks then.
// Until then the canvas fills the browser's window.
void WebFullScreen(void) {}

// ---- What the emulation lacks ----------------------------------------------------

void glVertex3d(GLdouble x, GLdouble y, GLdouble z) {
    glVertex3f(static_cast<GLfloat>(x), static_cast<GLfloat>(y), static_cast<GLfloat>(z));
}

void glGetDoublev(GLenum pname, GLdouble* params) {
    GLfloat r[16] = {};
    glGetFloatv(pname, r);
    const int n = pname == GL_MODELVIEW_MATRIX || pname == GL_PROJECTION_MATRIX || pname == GL_TEXTURE_MATRIX ? 16 : 4;
    for (int i = 0; i < n; ++i) params[i] = r[i];
}

void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    const auto* p = static_cast<const GLfloat*>(pointer);
    const bool bTex = format == GL_T2F_C3F_V3F;
    const GLsizei nStride = stride != 0 ? stride : static_cast<GLsizei>((bTex ? 8 : 6) * sizeof(GLfloat));
    arrays = {format, p};
    glDisableClientState(GL_NORMAL_ARRAY);
    if (bTex) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, nStride, p);
        p += 2;
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, nStride, p);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, nStride, p + 3);
}

// The bitmap font is drawn from its compiled-in table (overlay/font_table.h):
// no glyph goes through a raster position on the web.
void glRasterPos3d(GLdouble, GLdouble, GLdouble) {}
void glutBitmapCharacter(void*, int) {}
void* glutBitmap8By13 = nullptr;

// A page cannot move the pointer: the position is reported as the warp's
// own report would be.
void glutWarpPointer(int x, int y) { PassiveMotionHandler(x, y); }

// GLU's perspective, multiplied onto the current matrix as GLU does (the
// emulation's own replaces it, losing a pair's shift in front of it).
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    constexpr double kPi = 3.14159265358979323846;
    const double radians = fovy / 2 * kPi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    const GLdouble m[16] = {cotangent / aspect, 0, 0, 0, 0, cotangent, 0, 0, 0, 0, -(zFar + zNear) / deltaZ, -1,
                            0, 0, -2 * zNear * zFar / deltaZ, 0};
    glMultMatrixd(m);
}

GLUquadric* gluNewQuadric(void) {
    static Quadric quadric{GLU_FILL, GL_FALSE};
    return reinterpret_cast<GLUquadric*>(&quadric);
}

void gluQuadricDrawStyle(GLUquadric* quad, GLenum draw) { reinterpret_cast<Quadric*>(quad)->eStyle = draw; }

// Lighting is never on: the normals would change no pixel.
void gluQuadricNormals(GLUquadric*, GLenum) {}

void gluQuadricTexture(GLUquadric* quad, GLboolean texture) {
    reinterpret_cast<Quadric*>(quad)->bTexture = texture;
}

void gluSphere(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks) {
    const Quadric& q = *reinterpret_cast<Quadric*>(quad);
    const SphereMesh& m = MeshFor(radius, slices, stacks, q.eStyle);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    if (q.bTexture) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, m.st.data());
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m.xyz.data());
    glDrawArrays(q.eStyle == GLU_FILL ? GL_TRIANGLE_STRIP : GL_LINES, 0, static_cast<GLsizei>(m.xyz.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// The menu is the page's (app/web/page.js): entries of HTML elements that
// call WebMenuChoice with their value.
int glutCreateMenu(void (*callback)(int)) {
    MenuCallback = callback;
    EM_ASM({ QarnPage.menuClear(); });
    return 1;
}

void glutAddMenuEntry(const char* label, int value) {
    EM_ASM({ QarnPage.menuAdd(UTF8ToString($0), $1); }, label, value);
}

void glutAttachMenu(int) {}

EMSCRIPTEN_KEEPALIVE void WebMenuChoice(int iValue) {
    if (MenuCallback != nullptr) MenuCallback(iValue);
}

}  // extern "C"
