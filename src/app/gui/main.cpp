#include "app/gui/StartUp.h"

#include <malloc.h>

int main(int argc, char** argv)
{
    // Window-sized pictures are decoded once and cut into button faces.
    // glibc would raise its mmap threshold after the first is freed and
    // keep the next ones in the heap, where their freed pages stay
    // resident; a fixed threshold gives every large buffer back at once.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    return RunProgram(argc, argv);
}
