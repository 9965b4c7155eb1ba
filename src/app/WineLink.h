#pragma once

#include "link/WineBridgeTransport.h"

#include <QString>

#include <memory>

namespace app {

class MainDlg;

// The link to a Windows accounting program under Wine, chosen by the setting Link/WinePrefix:
// the bridge 4vt-dde-bridge.exe, run by the `wine` program found on the PATH, into that prefix.
class WineLink
{
public:
    // The bridge beside the program (a build folder) or in ../lib/4vt (the installed package).
    static QString bridgeProgram();
    // What the bridge lacks, as the message box names it; empty when nothing is missing.
    static QString missing(const QString& prefix);
    static std::unique_ptr<ddelink::WineBridgeTransport> transport(const QString& prefix);

    // "--wine-prefix DIR" on the command line (the launcher passes it on) stores DIR, absolute,
    // as the setting; an empty DIR clears it. The option is taken out of the arguments.
    static void takePrefixOption(int& argc, char** argv);

    // The main window's open through the bridge: a box naming what is missing instead of a
    // start, and the splash while Wine takes its time to bring the bridge up.
    static void wire(MainDlg& mainDlg, ddelink::WineBridgeTransport& bridge, const QString& prefix);
};

} // namespace app
