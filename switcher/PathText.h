#pragma once
// Joins the pieces of a path into a caller's buffer, never past its end. The
// switcher builds its few paths with this rather than with formatted
// printing, whose runtime would make up most of the program it is shipped in.
// Paths are UTF-16: the narrow forms turn letters outside the ANSI code page
// into "?", and a profile folder may be named in any script.
#include <cstddef>

namespace switcher {

class PathText {
public:
    // `out` holds `size` characters; with size 0 nothing is ever written.
    PathText(wchar_t* out, std::size_t size) : out(out), size(size)
    {
        if (size > 0)
            out[0] = L'\0';
        fits = size > 0;
    }

    // Appends `text` up to its terminator or `count` characters, whichever
    // is first. What does not fit is cut off and the text stays terminated.
    PathText& Add(const wchar_t* text, std::size_t count = static_cast<std::size_t>(-1))
    {
        for (std::size_t i = 0; i < count && text[i] != L'\0'; ++i) {
            if (used + 1 >= size) {
                fits = false;
                break;
            }
            out[used++] = text[i];
        }
        if (size > 0)
            out[used] = L'\0';
        return *this;
    }

    // True when every piece went in whole, with room for the terminator.
    bool Fits() const { return fits; }

private:
    wchar_t* out;
    std::size_t size;
    std::size_t used = 0;
    bool fits;
};

} // namespace switcher
