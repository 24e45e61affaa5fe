#include "sharedrandom.h"

namespace {
thread_local sharedRandom *threadStream = nullptr;
}

sharedRandom &sharedRandom::instance()
{
    static sharedRandom generator;
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
