#include "app/StartUp.h"

#include <cstring>

int main(int argc, char** argv)
{
    // Only the launcher (4vt-start) gives this: its own failure, for the window it cannot show.
    if (argc == 3 && std::strcmp(argv[1], "--start-failure") == 0)
        return app::StartUp::showStartFailure(1, argv, argv[2]);
    return app::StartUp::run(argc, argv);
}
