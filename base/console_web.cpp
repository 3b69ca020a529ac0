// The page's console: standard output goes to the browser's console, and
// the page shows the line of any stop itself (app/web/page.js).
#include "base/console.h"

void PrepareConsole() {}

void NoticeStop(const char*) {}

const char kMapRemedy[] = "make one with qarn-mksurface";
