// The page as the viewer's window: the canvas fills the browser's window at
// the screen's real pixels (app/web/page.js keeps its size), and the input
// comes from the page's own events through the entries below.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <emscripten.h>

#include "app/desktop.h"
#include "base/clock.h"
#include "base/view_state.h"
#include "input/keyboard.h"
#include "input/mouse.h"

// GLUT reads nothing from a page's environment.
void PrepareGlut() {}

void UnminimiseWindow() {}

// devicePixelRatio in the desktop's dots per inch (1 is 96), so the glyph
// scale follows the screen's density.
int32_t WindowDpi() {
    return EM_ASM_INT({ return Math.round(96 * (window.devicePixelRatio || 1)); });
}

// A page has no window class.
void SetWindowClass() {}

// A page's display cannot be lost: it goes with the page.
void WatchDisplay() {}

// The page reports the pointer as soon as it is over the canvas.
void SeedPointer() {}

extern "C" {

// A character key as KeyboardHandler takes it: code 0..255.
EMSCRIPTEN_KEEPALIVE void WebKey(int iCode) { KeyboardHandler(static_cast<unsigned char>(iCode), 0, 0); }

// A function or arrow key by its GLUT code.
EMSCRIPTEN_KEEPALIVE void WebSpecial(int iCode) { SpecialHandler(iCode, 0, 0); }

// The pointer at canvas pixel (x, y); bDrag while the left or middle button
// is held or one finger drags.
EMSCRIPTEN_KEEPALIVE void WebPointer(int x, int y, int bDrag) {
    if (bDrag != 0)
        MotionHandler(x, y);
    else
        PassiveMotionHandler(x, y);
}

// The page hidden (another tab, a minimised window) or shown again, as the
// desktop's window status: hidden, no frame is drawn (the browser gives no
// animation frames then anyway); shown, the benchmark interval restarts, as
// the hidden time was no frame time, and a frame is asked for. Frames stay
// paced by the animation frame: no idle callback is set.
EMSCRIPTEN_KEEPALIVE void WebVisibility(int bSeen) {
    ViewStateRecord& vs = ViewState;
    const int32_t iHidden = bSeen != 0 ? 0 : 1;
    if (vs.iHidden == iHidden) return;
    vs.iHidden = iHidden;
    if (iHidden != 0) return;
    vs.rBench0 = SecondsSince(0.0f);
    vs.nBench = 0;
    glutPostRedisplay();
}

// The canvas took a new size, in pixels: GLUT's default reshape.
EMSCRIPTEN_KEEPALIVE void WebReshape(int w, int h) { glViewport(0, 0, w, h); }

}  // extern "C"
