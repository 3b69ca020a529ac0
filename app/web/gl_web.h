// Read first by every source of the web build (a forced include): the GL
// calls whose WebGL form differs from the desktop's OpenGL are routed to
// app/web/gl_web.cpp, which gives each the form WebGL takes and the desktop
// picture asks for. The viewer's sources are the desktop's, unchanged:
//  - GL_CLAMP wrap becomes GL_CLAMP_TO_EDGE; a texture of internal format
//    3 or GL_ALPHA8 is made GL_RGB or GL_LUMINANCE_ALPHA (white ink);
//  - pixel-store settings WebGL lacks (row length, skips, byte order) are
//    kept here and applied while uploading whole rows;
//  - GL_REPLACE on an ink (alpha) texture draws the current colour with the
//    ink's alpha, as OpenGL does, through GL_MODULATE on white;
//  - 32-bit indices are drawn as 16-bit ones;
//  - the read of the window is of RGBA bytes of the canvas, which keeps the
//    last frame drawn; there is one colour buffer, so no buffer is chosen;
//  - full screen waits for the user's click (the page asks then).
// What Emscripten lacks altogether (the GLU sphere, the double forms,
// interleaved arrays, the pointer warp, the menu) is defined in gl_web.cpp
// under its own name.
#pragma once

#include <GL/gl.h>

extern "C" {
void WebTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                   GLenum format, GLenum type, const void* pixels);
void WebTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                      GLenum type, const void* pixels);
void WebTexParameteri(GLenum target, GLenum pname, GLint param);
void WebTexParameterfv(GLenum target, GLenum pname, const GLfloat* params);
void WebPixelStorei(GLenum pname, GLint param);
void WebBindTexture(GLenum target, GLuint texture);
void WebTexEnvi(GLenum target, GLenum pname, GLint param);
void WebDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
void WebReadBuffer(GLenum mode);
void WebReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels);
void WebFullScreen(void);
}

#define glTexImage2D WebTexImage2D
#define glTexSubImage2D WebTexSubImage2D
#define glTexParameteri WebTexParameteri
#define glTexParameterfv WebTexParameterfv
#define glPixelStorei WebPixelStorei
#define glBindTexture WebBindTexture
#define glTexEnvi WebTexEnvi
#define glDrawElements WebDrawElements
#define glReadBuffer WebReadBuffer
#define glReadPixels WebReadPixels
#define glutFullScreen WebFullScreen
