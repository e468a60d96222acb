/* first_load: the time of one dlopen of the library in a fresh process, what
 * a POS pays when it starts, in microseconds. Plain C, so that no C++ runtime
 * is loaded before the library; scripts/bench.sh runs it many times and
 * reports the median.
 *
 *     first_load LIBRARY */
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

int main(int argc, char **argv)
{
    struct timespec before, after;
    void *library;
    if (argc != 2) {
        fprintf(stderr, "usage: first_load LIBRARY\n");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &before);
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    clock_gettime(CLOCK_MONOTONIC, &after);
    if (!library) {
        fprintf(stderr, "first_load: %s\n", dlerror());
        return 1;
    }
    printf("%.0f\n", (double)(after.tv_sec - before.tv_sec) * 1e6 + (double)(after.tv_nsec - before.tv_nsec) / 1e3);
    return 0;
}
