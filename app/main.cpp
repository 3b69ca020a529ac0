// Entry: the viewer's start-up, then the GLUT main loop for good.
#include <GL/freeglut.h>

#include "app/desktop.h"
#include "app/startup.h"
#include "app/userview.h"
#include "base/console.h"
#include "base/stop.h"
#include "input/keyboard.h"
#include "input/mouse.h"

namespace {

void RegisterCallbacks() {
    glutDisplayFunc(Userview);
    glutIdleFunc(UserIdle);
    glutMouseFunc(MouseHandler);
    glutKeyboardFunc(KeyboardHandler);
    glutMotionFunc(MotionHandler);
    glutPassiveMotionFunc(PassiveMotionHandler);
    glutSpecialFunc(SpecialHandler);
    glutWindowStatusFunc(WindowStatusHandler);
    glutCloseFunc(WindowCloseHandler);
}

}  // namespace

int main(int, char**) {
    PrepareConsole();
    LoadSystemLibraries();
    if (StartViewer({"noname", true, RegisterCallbacks}) == 0) glutMainLoop();
    StopFatal("Qarn: OpenGL error detected prior to GlutMainLoop call.");
}
