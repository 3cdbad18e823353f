// Preloaded into the asan test runs (LD_PRELOAD in the asan test preset), and built without the
// sanitizer so that programs without it can load it too.
//
// The Chromium inside the web engine library frees one of its own objects through a smaller base
// type. The sanitizer cannot suppress that check by library, and switching it off for the run
// would switch it off for our code as well. This sized delete stands in front of the sanitizer's:
// only a delete whose size disagrees with the allocation and that is called from the web engine
// library goes on unsized; every other goes on as it came, so our own mismatches stay fatal.
#include <cstddef>
#include <cstring>
#include <dlfcn.h>
#include <new>

extern "C" {
// Present when the process runs under the sanitizer, null otherwise.
int __sanitizer_get_ownership(const volatile void* p) __attribute__((weak));
std::size_t __sanitizer_get_allocated_size(const volatile void* p) __attribute__((weak));
}

namespace {

using SizedDelete = void (*)(void*, std::size_t) noexcept;
using PlainDelete = void (*)(void*) noexcept;

template <typename F> F nextDefinition(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool fromWebEngine(const void* caller)
{
    Dl_info info {};
    return dladdr(caller, &info) != 0 && info.dli_fname != nullptr
        && std::strstr(info.dli_fname, "/libQt6WebEngineCore.so") != nullptr;
}

// Asked in this order so that the library lookup runs only for a delete the sanitizer would report.
bool webEngineMismatch(void* p, std::size_t size, const void* caller)
{
    return p != nullptr && __sanitizer_get_ownership != nullptr && __sanitizer_get_ownership(p) != 0
        && __sanitizer_get_allocated_size(p) != size && fromWebEngine(caller);
}

} // namespace

void operator delete(void* p, std::size_t size) noexcept
{
    static const SizedDelete sized = nextDefinition<SizedDelete>("_ZdlPvm");
    static const PlainDelete plain = nextDefinition<PlainDelete>("_ZdlPv");
    if (webEngineMismatch(p, size, __builtin_return_address(0)))
        plain(p);
    else
        sized(p, size);
}

void operator delete[](void* p, std::size_t size) noexcept
{
    static const SizedDelete sized = nextDefinition<SizedDelete>("_ZdaPvm");
    static const PlainDelete plain = nextDefinition<PlainDelete>("_ZdaPv");
    if (webEngineMismatch(p, size, __builtin_return_address(0)))
        plain(p);
    else
        sized(p, size);
}
