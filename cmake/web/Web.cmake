# The web build (make web: emcmake cmake with Debian's emscripten): the
# viewer alone, as a page. WebGL through Emscripten's legacy GL emulation
# and Emscripten's GLUT; the GL forms WebGL lacks come from app/web/gl_web.*
# (a forced include, so the viewer's own sources are the desktop's). The
# 8 x 13 font is compiled from freeglut's own source, fetched from Debian by
# cmake/windows/fetch-freeglut.sh --font; the shipped map is packed into the
# page's .data file as Qarns.Bmp.
set(QARN_FREEGLUT_FONT_DIR ${PROJECT_BINARY_DIR}/freeglut-font CACHE PATH
    "freeglut's fg_font_data.c and fg_internal.h")
if(NOT EXISTS ${QARN_FREEGLUT_FONT_DIR}/fg_font_data.c)
  message(FATAL_ERROR "no fg_font_data.c in ${QARN_FREEGLUT_FONT_DIR}: run cmake/windows/fetch-freeglut.sh "
                      "--font ${QARN_FREEGLUT_FONT_DIR} first (make web does)")
endif()
enable_language(C)

# freeglut's font tables alone: its internal header's guard and font record
# come from cmake/web/fg_font.h, so none of its window-system headers is read.
add_library(qarn_web_font STATIC ${QARN_FREEGLUT_FONT_DIR}/fg_font_data.c)
target_include_directories(qarn_web_font PRIVATE ${PROJECT_SOURCE_DIR}/app/web/include)
target_compile_options(qarn_web_font PRIVATE -include ${PROJECT_SOURCE_DIR}/cmake/web/fg_font.h -w)

add_library(qarn_web_gl INTERFACE)
target_include_directories(qarn_web_gl SYSTEM INTERFACE ${PROJECT_SOURCE_DIR}/app/web/include)
# EM_ASM names its arguments $0, $1: not a fault of the code.
target_compile_options(qarn_web_gl INTERFACE
  "SHELL:-include ${PROJECT_SOURCE_DIR}/app/web/gl_web.h" -Wno-dollar-in-identifier-extension)
# WebGL 1 with the fixed-function emulation; memory grows with a large window's dump. The
# page is left as written: Debian's emcc 3.1.6 calls htmlmin with a list
# argument and fails.
set(QARN_WEB_EXPORTS _main _WebKey _WebSpecial _WebPointer _WebReshape _WebVisibility _WebMenuChoice _WebLoadMap)
list(JOIN QARN_WEB_EXPORTS "," QARN_WEB_EXPORTS)
target_link_options(qarn_web_gl INTERFACE
  -sLEGACY_GL_EMULATION=1 -sALLOW_MEMORY_GROWTH=1 -sMINIFY_HTML=0
  -sEXPORTED_FUNCTIONS=${QARN_WEB_EXPORTS} -sEXPORTED_RUNTIME_METHODS=ccall,FS,UTF8ToString
  "SHELL:--preload-file ${PROJECT_SOURCE_DIR}/data/Qarns.Bmp@/Qarns.Bmp"
  "SHELL:--shell-file ${PROJECT_SOURCE_DIR}/app/web/shell.html"
  "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/app/web/page.js")
target_link_libraries(qarn_web_gl INTERFACE qarn_web_font)
