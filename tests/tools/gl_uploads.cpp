// Texture uploads of a program, frame by frame, for the end-to-end tests:
// preloaded in front of libGL (LD_PRELOAD), it passes every call on and
// writes one line a swapped frame to the file QARN_GL_UPLOADS names:
//
//   swap Y+H:W ... [new:WxH ...]
//
// one "Y+H:W" a glTexSubImage2D of the frame (H rows from row Y, W texels
// wide), one "new:WxH" a glTexImage2D. Counts only; nothing is timed.
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The uploads since the last swap.
std::string frame;

FILE* Log() {
    static FILE* pFile = [] {
        const char* cPath = std::getenv("QARN_GL_UPLOADS");
        return cPath != nullptr ? std::fopen(cPath, "w") : nullptr;
    }();
    return pFile;
}

template <typename Fn>
Fn Next(const char* cName) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, cName));
}

}  // namespace

extern "C" {

void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format,
                     GLenum type, const void* pixels) {
    using Fn = void (*)(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);
    static const auto fn = Next<Fn>("glTexSubImage2D");
    char c[48];
    std::snprintf(c, sizeof c, " %d+%d:%d", y, h, w);
    frame += c;
    fn(target, level, x, y, w, h, format, type, pixels);
}

void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                  GLenum format, GLenum type, const void* pixels) {
    using Fn = void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    static const auto fn = Next<Fn>("glTexImage2D");
    char c[48];
    std::snprintf(c, sizeof c, " new:%dx%d", w, h);
    frame += c;
    fn(target, level, internal, w, h, border, format, type, pixels);
}

void glXSwapBuffers(Display* pDisplay, GLXDrawable drawable) {
    using Fn = void (*)(Display*, GLXDrawable);
    static const auto fn = Next<Fn>("glXSwapBuffers");
    if (FILE* pFile = Log()) {
        std::fprintf(pFile, "swap%s\n", frame.c_str());
        std::fflush(pFile);
    }
    frame.clear();
    fn(pDisplay, drawable);
}

}  // extern "C"
