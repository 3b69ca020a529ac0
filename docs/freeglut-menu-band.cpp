// The pop-up menu's black band, without the viewer: freeglut 3.4.0 draws a
// menu's first opening shifted down, a black band over its top rows and its
// last rows cut off, until the pointer moves over it; later openings are
// whole. The idle loop and full screen play no part (same with "none",
// "post" and "idle", windowed or with a second argument for full screen).
//
//   g++ docs/freeglut-menu-band.cpp -o /tmp/menu-band -lglut -lGL
//   Xvfb :9 -screen 0 1920x1080x24 & DISPLAY=:9 /tmp/menu-band none &
//   DISPLAY=:9 xdotool mousemove 900 400 mousedown 3; sleep 0.5
//   DISPLAY=:9 xwd -root -silent | convert xwd:- band.png
#include <GL/freeglut.h>
#include <cstring>
static const char* mode = "none";
static void Display() {
    glClearColor(0.3f, 0.3f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
    if (!std::strcmp(mode, "post")) glutPostRedisplay();
}
static void Idle() { Display(); }
static void Menu(int) {}
int main(int argc, char** argv) {
    if (argc > 1) mode = argv[1];
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("menu");
    glutDisplayFunc(Display);
    if (!std::strcmp(mode, "idle")) glutIdleFunc(Idle);
    glutCreateMenu(Menu);
    const char* e[] = {"F1 Rotate-Apollo ", "F2       -auto   ", "F3       -mouse  ", "F4 Toggle-credit ",
                       "F5       -grid   ", "F6       -image  ", "F7       -labels ", "F8       -places ",
                       "F9 Persp/L:R/R:L ", "       ***Quit***"};
    for (int i = 0; i < 10; ++i) glutAddMenuEntry(e[i], i + 1);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    if (argc > 2) glutFullScreen();
    glutMainLoop();
}
