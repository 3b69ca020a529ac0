#include <csignal>

#include "base/console.h"

void PrepareConsole() { std::signal(SIGPIPE, SIG_IGN); }

// The console a POSIX program reports to is its caller's and stays open.
void NoticeStop(const char*) {}

const char kMapRemedy[] = "make one with qarn-mksurface";
