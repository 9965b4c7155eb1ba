#include "app/StartUp.h"

int main(int argc, char** argv)
{
    return app::StartUp::run(argc, argv);
}
