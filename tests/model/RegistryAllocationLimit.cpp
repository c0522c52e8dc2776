// Linked into the registry tests only. Nothing they do needs a block this
// large: one can only come from a count read from a file and trusted before
// its data was there, and it fails the test with std::bad_alloc instead of
// going unnoticed on a machine with memory to spare.

#include <cstdlib>
#include <new>

void* operator new(std::size_t size)
{
    void* p = size > (std::size_t(256) << 20) ? nullptr : std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
