#include "app/StartUp.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
    // Window-sized pictures are decoded once and cut into button faces.
    // glibc would raise its mmap threshold after the first is freed and
    // keep the next ones in the heap, where their freed pages stay
    // resident; a fixed threshold gives every large buffer back at once.
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    return RunProgram(argc, argv);
}
