#include "app/gui/StartUp.h"

int main(int argc, char** argv)
{
    return RunProgram(argc, argv);
}
