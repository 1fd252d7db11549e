// Linked into each release file (cmake/SizeRelease.cmake) in place of the
// compiler runtime's reporting of fatal C++ errors. The runtime's versions
// build exception objects that carry a text, and its terminate handler
// demangles the exception's type for a console these windowed programs do
// not have: together some 80 KB in every file a customer downloads.
//
// Nothing in the product catches these errors (a length beyond what a string
// or vector can hold, a bad index), so they ended the program before and end
// it now. Only a failed allocation may be caught (the XML reader does): where
// exceptions are on, those two still throw as the runtime would.
//
// Where exceptions are off, the runtime's operator new would still throw
// bad_alloc and so bring the whole exception machinery (some 13 KB) into the
// file; ours ends the program instead, as the uncaught throw did, and the
// nothrow forms still answer null.
#include <cstdlib>
#include <new>

#if !__cpp_exceptions
namespace {

void* AllocateOrNull(std::size_t size) noexcept
{
    return std::malloc(size ? size : 1);
}

void* AllocateOrEnd(std::size_t size) noexcept
{
    void* block = AllocateOrNull(size);
    if (!block)
        std::abort();
    return block;
}

} // namespace

void* operator new(std::size_t size) { return AllocateOrEnd(size); }
void* operator new[](std::size_t size) { return AllocateOrEnd(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
#endif

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx

namespace std {

#if __cpp_exceptions
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
#else
[[noreturn]] void __throw_bad_alloc() { abort(); }
[[noreturn]] void __throw_bad_array_new_length() { abort(); }
#endif
[[noreturn]] void __throw_bad_cast() { abort(); }
[[noreturn]] void __throw_bad_typeid() { abort(); }
[[noreturn]] void __throw_bad_exception() { abort(); }
[[noreturn]] void __throw_logic_error(const char*) { abort(); }
[[noreturn]] void __throw_domain_error(const char*) { abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { abort(); }
[[noreturn]] void __throw_length_error(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { abort(); }
[[noreturn]] void __throw_runtime_error(const char*) { abort(); }
[[noreturn]] void __throw_range_error(const char*) { abort(); }
[[noreturn]] void __throw_overflow_error(const char*) { abort(); }
[[noreturn]] void __throw_underflow_error(const char*) { abort(); }

} // namespace std
