#include "vectorpaths.h"

#include <atomic>

namespace {

std::atomic<vectorPaths> chosen{vectorPaths::best};

vectorUnits detectProcessor()
{
    vectorUnits units;
#if defined(__x86_64__) || defined(__i386__)
    units.ssse3 = __builtin_cpu_supports("ssse3");
    units.avx2 = units.ssse3 && __builtin_cpu_supports("avx2");
    units.avx512 = units.avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
#endif
    return units;
}

} // namespace

void setVectorPaths(vectorPaths paths) { chosen.store(paths, std::memory_order_relaxed); }

vectorPaths chosenVectorPaths() { return chosen.load(std::memory_order_relaxed); }

vectorUnits vectorUnitsInUse()
{
    static const vectorUnits processor = detectProcessor();
    vectorUnits units = processor;
    switch (chosenVectorPaths()) {
    case vectorPaths::plain: return vectorUnits{};
    case vectorPaths::narrow: units.avx512 = false; break;
    case vectorPaths::best: break;
    }
    return units;
}
