// Reference text for the end-to-end tests: draws runs of characters in the
// GLUT 8-by-13 bitmap font at given normalised device positions and colours
// on black, exactly as the viewer's text is drawn (identity matrices, raster
// depth -0.3, depth test on), and writes the window as a binary PPM.
//
//   qarn-textref OUT.ppm < items
//
// One item per input line: x y red green blue hex
// (x, y in normalised device units; colour 0..255; the characters as hex
// byte pairs, "-" for none).
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Item {
    double x, y;
    int r, g, b;
    std::string text;
};

std::vector<Item> items;
const char* outPath = nullptr;
constexpr int kW = 1024, kH = 768;

int Hex(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

void Draw() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    for (const Item& it : items) {
        glColor3f(static_cast<float>(it.r / 255.0), static_cast<float>(it.g / 255.0),
                  static_cast<float>(it.b / 255.0));
        glRasterPos3d(it.x, it.y, -0.3);
        for (unsigned char ch : it.text) glutBitmapCharacter(GLUT_BITMAP_8_BY_13, ch);
    }
    glFinish();

    std::vector<unsigned char> px(static_cast<size_t>(kW) * kH * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    std::FILE* f = std::fopen(outPath, "wb");
    if (!f) {
        std::perror(outPath);
        std::exit(2);
    }
    std::fprintf(f, "P6\n%d %d\n255\n", kW, kH);
    for (int row = kH - 1; row >= 0; --row)  // top row first
        std::fwrite(px.data() + static_cast<size_t>(row) * kW * 3, 1, static_cast<size_t>(kW) * 3, f);
    std::fclose(f);
    std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qarn-textref OUT.ppm < items\n");
        return 2;
    }
    outPath = argv[1];
    char line[2048];
    while (std::fgets(line, sizeof line, stdin)) {
        Item it{};
        char hex[1024] = {0};
        if (std::sscanf(line, "%lf %lf %d %d %d %1023s", &it.x, &it.y, &it.r, &it.g, &it.b, hex) != 6) continue;
        const std::string h = hex;
        for (size_t k = 0; h != "-" && k + 1 < h.size(); k += 2)
            it.text.push_back(static_cast<char>(Hex(h[k]) * 16 + Hex(h[k + 1])));
        items.push_back(it);
    }
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(kW, kH);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("qarn-textref");
    glutDisplayFunc(Draw);
    glutMainLoop();
    return 0;
}
