// The program-wide stop: one console line, then the process ends. Nothing is
// cleaned up or saved first.
#pragma once

// Orderly end (quit keys, menu quit, fifth dump): exit status 0.
[[noreturn]] void StopRun(const char* cMessage);

// Fatal condition: exit status 1.
[[noreturn]] void StopFatal(const char* cMessage);

// Fatal condition found where the exit-time teardown cannot run (the
// connection to the display is gone and GLUT's clean-up would use it): the
// line, then the process ends at once with status 1.
[[noreturn]] void StopAbrupt(const char* cMessage);

// Input/output failure on a numbered file unit, naming the routine or module
// that stops, the unit and the file:
// "BmpRead: I/O error on unit 14, file Qarns.Bmp: <cWhat>", cWhat saying what
// failed, e.g. "cannot open for reading: No such file or directory". Exit status 1.
[[noreturn]] void StopIo(const char* cWho, int iUnit, const char* cFile, const char* cWhat);

// True once a stop has begun: the process is on its way out (GLUT destroys
// its window then, which looks like a close from the window manager).
bool StopStarted();

// From now on every exit counts as a stop begun, also one a library makes
// (GLUT's fatal errors call exit(1)), before the exit-time teardown GLUT
// registered at its initialisation runs the close handler: the status of
// that exit stands and no second exit starts inside it. Call right after
// glutInit; exit hooks run last registered first.
void TreatExitsAsStops();

// One console report line, flushed at once so it survives an abnormal end.
void ReportLine(const char* cLine);
