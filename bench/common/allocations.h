// Counts heap allocations (operator new and the C allocator alike) made by the calling
// thread while counting is switched on. Linking this file replaces the process's malloc.
#pragma once

namespace bench {

struct Allocations {
    long calls = 0;
    long bytes = 0;
};

// Counting applies to the calling thread only: the GL driver's worker threads are not ours.
void countAllocations(bool on);
Allocations allocationsSoFar();

}  // namespace bench
