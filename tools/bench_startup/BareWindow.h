#pragma once

// The baseline of the start-up benchmark: a bare Qt window with the program's menu bar, shown
// until it is closed, under this title.
inline constexpr char BareWindowTitle[] = "bench-startup bare window";

int runBareWindow(int argc, char** argv);
