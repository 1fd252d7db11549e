// Linked into each release file in place of the compiler runtime's handler
// for a fatal C++ error. That handler demangles the type of the exception to
// print it on a console these windowed programs do not have; the demangler
// alone would add some 45 KB to every file a customer downloads.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx
