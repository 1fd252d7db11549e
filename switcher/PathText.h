#pragma once
// Joins the pieces of a path into a caller's buffer, never past its end. The
// switcher builds its few paths with this rather than with formatted
// printing, whose runtime would make up most of the program it is shipped in.
#include <cstddef>

namespace switcher {

class PathText {
public:
    // `out` holds `size` bytes; with size 0 nothing is ever written.
    PathText(char* out, std::size_t size) : out(out), size(size)
    {
        if (size > 0)
            out[0] = '\0';
        fits = size > 0;
    }

    // Appends `text` up to its terminator or `count` bytes, whichever is
    // first. What does not fit is cut off and the text stays terminated.
    PathText& Add(const char* text, std::size_t count = static_cast<std::size_t>(-1))
    {
        for (std::size_t i = 0; i < count && text[i] != '\0'; ++i) {
            if (used + 1 >= size) {
                fits = false;
                break;
            }
            out[used++] = text[i];
        }
        if (size > 0)
            out[used] = '\0';
        return *this;
    }

    // True when every piece went in whole, with room for the terminator.
    bool Fits() const { return fits; }

private:
    char* out;
    std::size_t size;
    std::size_t used = 0;
    bool fits;
};

} // namespace switcher
