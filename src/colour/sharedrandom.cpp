#include "sharedrandom.h"

namespace {
thread_local sharedRandom *threadStream = nullptr;
}

sharedRandom &sharedRandom::instance()
{
    // One for each thread that starts engine runs: korvia-batch works on several photos at once,
    // each from the same seed as if alone. The window starts its runs on its own thread; the
    // preview on the picture draws from a privateStream copied from the window's sequence.
    thread_local sharedRandom generator;
    return threadStream ? *threadStream : generator;
}

sharedRandom::privateStream::privateStream(std::uint32_t state) : previous(threadStream)
{
    own.seed(state);
    threadStream = &own;
}

sharedRandom::privateStream::~privateStream()
{
    threadStream = previous;
}
