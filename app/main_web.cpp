// Entry of the page: the viewer's start-up, then frames at the browser's
// animation frames. Each frame asks for the next (glutPostRedisplay); there
// is no idle callback besides. Input comes from the page (app/desktop_web.cpp).
#include <GL/freeglut.h>
#include <emscripten.h>
#include <sys/stat.h>

#include "base/console.h"
#include "app/startup.h"
#include "base/stop.h"
#include "app/userview.h"

namespace {

void RegisterCallbacks() { glutDisplayFunc(Userview); }

}  // namespace

int main(int, char**) {
    PrepareConsole();
    // Emscripten's in-memory files start with a umask that leaves a new
    // file no permission at all; a dump must be readable for its download.
    umask(022);
    if (StartViewer({"noname", true, RegisterCallbacks}) != 0)
        StopFatal("Qarn: OpenGL error detected prior to GlutMainLoop call.");
    EM_ASM({ QarnPage.started(); });
    // Back to the browser for good; the frames keep the runtime until a stop.
    glutMainLoop();
}
