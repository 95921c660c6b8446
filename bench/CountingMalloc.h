// A process-wide count of heap allocations, for executables that compile CountingMalloc.cpp in.
#pragma once

namespace RDCounting
{

// False where malloc cannot be replaced (non-glibc, or AddressSanitizer, which replaces it itself).
bool CountsAllocations();
long Allocations();

} // namespace RDCounting
