#pragma once

#include <QByteArray>

#include <cstdio>
#include <vector>

// 4vt-check FILE...: checks 4ВТ tax files and prints what it finds, one finding a line, to
// `out`; what keeps it from checking goes to `err`. The arguments are the bytes given (without
// the program's name), so that a name in another encoding than the desktop's (a Windows-1251
// name from a diskette) is found. Returns the exit status: 0 no errors (warnings allowed),
// 1 errors found, 2 a file could not be read or cannot be a return, or the findings could not
// be written.
int runCheckTool(const std::vector<QByteArray>& arguments, std::FILE* out, std::FILE* err);
