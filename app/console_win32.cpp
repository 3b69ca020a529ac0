// The console on Windows. There is no SIGPIPE: a line written to a pipe whose
// reader has gone fails inside WriteFile, so the line is lost and the run and
// the dump it announces go on, as on POSIX. Standard output is switched to
// binary mode so each line ends in a bare LF, byte for byte the Linux
// viewer's lines; the Windows console starts a new line on LF all the same.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "app/console.h"

void PrepareConsole() { _setmode(_fileno(stdout), _O_BINARY); }
