#include <csignal>

#include "app/console.h"

void PrepareConsole() { std::signal(SIGPIPE, SIG_IGN); }
