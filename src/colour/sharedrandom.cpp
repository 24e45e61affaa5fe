#include "sharedrandom.h"

sharedRandom &sharedRandom::instance()
{
    // One for each thread that starts engine runs: korvia-batch works on several photos at once,
    // each from the same seed as if alone. The window and the tests start every run on one thread.
    thread_local sharedRandom generator;
    return generator;
}
