// Which vector instructions the engines use: the processor is asked once, at first use, and one
// switch for the whole program limits that (tests compare the plain loops with the vector ones;
// every path gives the very same bytes). The colour loops, the kernel filters, the fringe blur,
// the transforms, the quarter turns and the plane copies all read it when a run starts.
#pragma once

// In this order (0, 1, 2): tests and benchmarks count through them.
enum class vectorPaths {
    plain,  // the portable loops only
    narrow, // vector units up to 256 bits (SSSE3, AVX2)
    best,   // everything the processor has, 512-bit units included (the default)
};

void setVectorPaths(vectorPaths paths);
vectorPaths chosenVectorPaths();

// The units a run may use: what the processor has, as far as the switch allows.
struct vectorUnits {
    bool ssse3 = false;
    bool avx2 = false;   // with SSSE3
    bool avx512 = false; // with AVX2: AVX-512 F, BW, VL and DQ
};
vectorUnits vectorUnitsInUse();
