#include "update/QueryAddress.h"

#include <cstring>

namespace Update {

namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Appends while it fits, always leaving room for the terminator.
class BoundedWriter {
public:
    BoundedWriter(char* buffer, size_t size) : buffer(buffer), size(size), used(0), overflow(size == 0) {}

    void Put(char c)
    {
        if (overflow || used + 1 >= size) {
            overflow = true;
            return;
        }
        buffer[used++] = c;
    }

    void PutText(const char* text)
    {
        for (; text && *text; ++text)
            Put(*text);
    }

    void PutEncoded(const char* text)
    {
        static const char hex[] = "0123456789ABCDEF";
        for (; text && *text; ++text) {
            unsigned char c = static_cast<unsigned char>(*text);
            if (IsUnreserved(c)) {
                Put(static_cast<char>(c));
            } else {
                Put('%');
                Put(hex[c >> 4]);
                Put(hex[c & 0x0F]);
            }
        }
    }

    bool Finish()
    {
        if (size == 0)
            return false;
        buffer[overflow ? 0 : used] = '\0';
        return !overflow;
    }

private:
    char* buffer;
    size_t size;
    size_t used;
    bool overflow;
};

} // namespace

bool BuildQueryAddress(char* buffer, size_t size, const char* baseAddress, const char* action,
                       const char* userName)
{
    BoundedWriter writer(buffer, size);
    writer.PutText(baseAddress);
    writer.PutText("?action=");
    writer.PutEncoded(action);
    writer.PutText("&user=");
    writer.PutEncoded(userName);
    return writer.Finish();
}

} // namespace Update
