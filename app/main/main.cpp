#include "app/Application.h"

int main(int argc, char* argv[])
{
    return RunKalvinora(argc, argv);
}
