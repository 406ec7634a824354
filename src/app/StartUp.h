#pragma once

// The whole life of the program: command line, single instance, companion
// program, main window, notification area, device threads, shutdown.
// Returns the process's exit code.
int RunProgram(int argc, char** argv);
