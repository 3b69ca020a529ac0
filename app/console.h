// The console the run reports to, made ready before the first line.
#pragma once

// Console lines are reports: with standard output a pipe whose reader has
// gone, a line is lost, never the run or the dump it announces.
void PrepareConsole();
