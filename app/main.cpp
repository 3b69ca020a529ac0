// Entry: identification line, surface image and texture before any window,
// then the GLUT window, callbacks, menu, texture object and the main loop.
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstring>

#include "app/check_gl.h"
#include "app/stop.h"
#include "app/userview.h"
#include "app/view_state.h"
#include "image/bmp.h"
#include "image/texture.h"
#include "input/keyboard.h"
#include "input/menu.h"
#include "input/mouse.h"

int main(int, char**) {
    ViewStateRecord& vs = ViewState;
    // 19 visible characters and the NUL fill the 20-character field.
    std::memcpy(vs.cVersion, "Qarn.Exe  v0.44s   ", sizeof vs.cVersion);
    vs.iWidth = 1024;
    vs.iHeight = 768;

    // List-style line: a blank, then the field; the NUL is not written.
    char cLine[sizeof vs.cVersion + 2] = " ";
    std::memcpy(cLine + 1, vs.cVersion, sizeof vs.cVersion);
    cLine[sizeof cLine - 1] = '\0';
    ReportLine(cLine);

    BmpRead();
    TexBuild();

    // The process's own arguments are not handed to GLUT.
    char cProgram[] = "noname";
    char* cArgv[] = {cProgram, nullptr};
    int nArgc = 1;
    glutInit(&nArgc, cArgv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(vs.iWidth, vs.iHeight);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Palwin: width=1024 height=768");
    glEnable(GL_DEPTH_TEST);

    glutDisplayFunc(Userview);
    glutIdleFunc(UserIdle);
    glutMouseFunc(MouseHandler);
    glutKeyboardFunc(KeyboardHandler);
    glutMotionFunc(MotionHandler);
    glutPassiveMotionFunc(PassiveMotionHandler);
    glutSpecialFunc(SpecialHandler);
    MenuCreate();

    TexSetup();
    glutFullScreen();
    glFlush();
    glutSwapBuffers();
    glutPostRedisplay();

    int32_t iGlErr0 = 0;
    CheckGL(527, iGlErr0);
    if (iGlErr0 == 0) glutMainLoop();
    StopFatal("Qarn: OpenGL error detected prior to GlutMainLoop call.");
}
