#include "sharedrandom.h"

sharedRandom &sharedRandom::instance()
{
    static sharedRandom generator;
    return generator;
}
