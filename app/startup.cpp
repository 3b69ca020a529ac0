// Start-up steps: identification, window, and the set-up after the callbacks.
#include "app/startup.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstring>
#include <string>

#include "app/desktop.h"
#include "app/heap.h"
#include "base/check_gl.h"
#include "base/stop.h"
#include "base/view_state.h"
#include "image/bmp.h"
#include "image/texture.h"
#include "input/menu.h"

void SetIdentity() {
    ViewStateRecord& vs = ViewState;
    static_assert(sizeof kIdentText == sizeof vs.cVersion, "the field holds the text and its NUL");
    std::memcpy(vs.cVersion, kIdentText, sizeof vs.cVersion);
    vs.iWidth = kFrameWidth;
    vs.iHeight = kFrameHeight;
}

void OpenWindow(const char* cProgram) {
    // The process's own arguments are not handed to GLUT.
    std::string sProgram(cProgram);
    char* cArgv[] = {sProgram.data(), nullptr};
    int nArgc = 1;
    PrepareGlut();
    glutInit(&nArgc, cArgv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(ViewState.iWidth, ViewState.iHeight);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Palwin: width=1024 height=768");
    UnminimiseWindow();
    glEnable(GL_DEPTH_TEST);  // at window creation by design; every frame enables it again
}

void FinishSetup() {
    MenuCreate();
    TexSetup();
    glutFullScreen();
    glFlush();
    glutSwapBuffers();
}

int32_t StartViewer(const ViewerStart& how) {
    KeepFreedHeap();
    SetIdentity();
    if (how.bIdentLine) {
        // List-style line: a blank, then the field; the NUL is not written.
        char cLine[sizeof ViewState.cVersion + 2] = " ";
        std::memcpy(cLine + 1, ViewState.cVersion, sizeof ViewState.cVersion);
        cLine[sizeof cLine - 1] = '\0';
        ReportLine(cLine);
    }
    BmpRead();
    TexBuild();

    OpenWindow(how.cProgram);
    TreatExitsAsStops();
    WatchDisplay();
    SetWindowClass();
    how.fnRegisterCallbacks();
    FinishSetup();
    glutPostRedisplay();

    int32_t iGlErr0 = 0;
    CheckGL(kSiteSetup, iGlErr0);
    return iGlErr0;
}
