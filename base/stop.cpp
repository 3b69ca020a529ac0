#include "base/stop.h"

#include <cstdio>
#include <cstdlib>

#include "base/console.h"

void ReportLine(const char* cLine) {
    std::fputs(cLine, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

namespace {
// Set as a stop begins, never cleared: GLUT's teardown at the exit that
// follows calls the close handler, which must then stay silent. Apart from
// ViewState since no frame reads it.
bool bStopping = false;
}  // namespace

bool StopStarted() { return bStopping; }

void TreatExitsAsStops() {
    std::atexit([] { bStopping = true; });
}

[[noreturn]] static void StopWith(const char* cMessage, int iStatus) {
    bStopping = true;
    ReportLine(cMessage);
    if (iStatus != 0) NoticeStop(cMessage);
    std::exit(iStatus);
}

void StopRun(const char* cMessage) { StopWith(cMessage, 0); }

void StopFatal(const char* cMessage) { StopWith(cMessage, 1); }

void StopAbrupt(const char* cMessage) {
    bStopping = true;
    ReportLine(cMessage);
    NoticeStop(cMessage);
    std::_Exit(1);
}

void StopIo(const char* cWho, int iUnit, const char* cFile, const char* cWhat) {
    char cLine[512];
    std::snprintf(cLine, sizeof cLine, "%s: I/O error on unit %d, file %s: %s", cWho, iUnit, cFile,
                  cWhat);
    StopWith(cLine, 1);
}
