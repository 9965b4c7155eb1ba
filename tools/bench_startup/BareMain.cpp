// bench-startup-bare.exe: the baseline window of bench-startup --wine, built for Windows.
#include "BareWindow.h"

int main(int argc, char** argv)
{
    return runBareWindow(argc, argv);
}
