// 4vt-check FILE...: the check of tax files from the command line (CheckTool.h).

#include "CheckTool.h"

int main(int argc, char** argv)
{
    std::vector<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return runCheckTool(arguments, stdout, stderr);
}
