// Entry: identification line, surface image and texture before any window,
// then the GLUT window, callbacks, menu, texture object and the main loop.
#include <GL/freeglut.h>

#include <cstring>

#include "app/check_gl.h"
#include "app/console.h"
#include "app/desktop.h"
#include "app/startup.h"
#include "app/stop.h"
#include "app/userview.h"
#include "app/view_state.h"
#include "image/bmp.h"
#include "image/texture.h"
#include "input/keyboard.h"
#include "input/mouse.h"

int main(int, char**) {
    PrepareConsole();
    SetIdentity();

    // List-style line: a blank, then the field; the NUL is not written.
    char cLine[sizeof ViewState.cVersion + 2] = " ";
    std::memcpy(cLine + 1, ViewState.cVersion, sizeof ViewState.cVersion);
    cLine[sizeof cLine - 1] = '\0';
    ReportLine(cLine);

    BmpRead();
    TexBuild();

    OpenWindow("noname");
    SetWindowClass();
    glutDisplayFunc(Userview);
    glutIdleFunc(UserIdle);
    glutMouseFunc(MouseHandler);
    glutKeyboardFunc(KeyboardHandler);
    glutMotionFunc(MotionHandler);
    glutPassiveMotionFunc(PassiveMotionHandler);
    glutSpecialFunc(SpecialHandler);
    glutWindowStatusFunc(WindowStatusHandler);
    glutCloseFunc(WindowCloseHandler);
    FinishSetup();
    glutPostRedisplay();

    int32_t iGlErr0 = 0;
    CheckGL(kSiteSetup, iGlErr0);
    if (iGlErr0 == 0) glutMainLoop();
    StopFatal("Qarn: OpenGL error detected prior to GlutMainLoop call.");
}
