// malloc, calloc and realloc counted on their way to glibc's own.
#include "CountingMalloc.h"

#include <atomic>
#include <cstddef>

namespace
{
std::atomic<long> s_iAllocations{0};
}

#if !defined(__SANITIZE_ADDRESS__) && defined(__GLIBC__)
// Counted at malloc, which operator new and Qt's containers both reach.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t iSize) noexcept
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(iSize);
}
void* calloc(std::size_t iCount, std::size_t iSize) noexcept
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(iCount, iSize);
}
void* realloc(void* pBlock, std::size_t iSize) noexcept
{
    s_iAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pBlock, iSize);
}
void free(void* pBlock) noexcept
{
    __libc_free(pBlock);
}
}

bool RDCounting::CountsAllocations()
{
    return true;
}
#else
bool RDCounting::CountsAllocations()
{
    return false;
}
#endif

long RDCounting::Allocations()
{
    return s_iAllocations.load(std::memory_order_relaxed);
}
