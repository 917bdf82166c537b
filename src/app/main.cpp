#include "ProgramModes.h"

int main(int argc, char** argv)
{
    if (wantsConsoleEntry(argc, argv))
        return runConsoleEntry(argc, argv);
    return runWindow(argc, argv);
}
