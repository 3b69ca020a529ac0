// The start-up steps shared by the viewer's entry routine and the benchmark.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/version.h"

// The identification field: 19 visible characters and the NUL. It names the
// release built, "v" and the project version and "s" from column 11 on; the
// build fails when the two disagree.
constexpr char kIdentText[20] = "Qarn.Exe  v0.44s   ";
constexpr std::string_view kIdentRelease = std::string_view(kIdentText).substr(10);
static_assert(kIdentRelease.substr(1).starts_with(kQarnVersion) && kIdentRelease[0] == 'v' &&
                  kIdentRelease.substr(1 + std::string_view(kQarnVersion).size()).starts_with("s "),
              "the identification text must name the project(VERSION) of CMakeLists.txt");

// Screen size and identification field of ViewState.
void SetIdentity();

// How a program starts the viewer's window: the name GLUT is given, whether
// the identification line is printed, and the GLUT callbacks it registers
// (between the window and the rest of the set-up, where GLUT wants them).
struct ViewerStart {
    const char* cProgram;
    bool bIdentLine;
    void (*fnRegisterCallbacks)();
};

// The start-up of the viewer and of the benchmark, in the order the viewer's
// entry routine has: identification, surface image and texture while no
// window exists, the window and its class, the callbacks, menu, texture
// object, quadric and full screen, then the error check of site 527. Returns
// that check's code; the caller decides what an error means.
int32_t StartViewer(const ViewerStart& how);

// GLUT with a one-entry argument list, the double-buffered, depth-buffered
// 1024 x 768 window at (0, 0) with its fixed title, depth test on.
void OpenWindow(const char* cProgram);

// After the callbacks are registered: pop-up menu, texture object and quadric,
// full screen, and a first swap.
void FinishSetup();
