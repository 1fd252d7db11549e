/* Read before anything else in every release source (cmake/SizeRelease.cmake).
 * The compiler runtime's C++ headers switch the C library's printf family to
 * the toolchain's own bundled formatter, some 25 KB in every file, and do so
 * unconditionally, so a plain -D cannot undo it. Settling their configuration
 * first and then choosing the system's msvcrt.dll keeps that code out: its
 * snprintf is wrapped to stay bounded and terminated, and the compiler checks
 * every format against what msvcrt understands (64-bit numbers: PRIu64). */
#ifdef __cplusplus
#include <bits/c++config.h>
#endif
#undef __USE_MINGW_ANSI_STDIO
#define __USE_MINGW_ANSI_STDIO 0
