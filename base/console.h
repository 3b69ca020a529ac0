// The console the run reports to, made ready before the first line, and what
// a stop shows beyond its console line.
#pragma once

// Console lines are reports: with standard output a pipe whose reader has
// gone, a line is lost, never the run or the dump it announces.
void PrepareConsole();

// Called by a failing stop (status 1) once its line is written, before the
// process ends. On Windows, when the console is the program's own (started
// from the Start menu or Explorer), it closes as the program ends and takes
// the line with it: the line is then shown in a message box titled "qarn"
// too, the viewer's windows hidden and disabled while it stands, and the
// stop goes on when the box is closed. Started from cmd or PowerShell, with
// output redirected, and on POSIX, nothing happens.
void NoticeStop(const char* cLine);

// What the stop of a surface image that is not a map tells the user to do:
// where a map comes from on this platform.
extern const char kMapRemedy[];
