// HTTP transfers: short texts into memory and files to disk with resume.
#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "HttpRequest.h"
#include "ScopedHandle.h"
#include "TransferLimits.h"
#include "Utils.h"

using utils::Deadline;
using utils::HttpRequest;
using utils::IsSuccessStatus;

namespace {

const DWORD kChunkSize = 16384;

// How a download answer is to be taken, decided before any byte is written
// so an error page never lands in a file that is being resumed.
enum class Answer { Append, StartOver, AlreadyComplete, Refuse };

Answer ClassifyAnswer(const HttpRequest& request, DWORD status, unsigned long long partialLength,
                      uint32_t expectedSize)
{
    if (partialLength == 0)
        return IsSuccessStatus(status) ? Answer::Append : Answer::Refuse;
    if (status == 206)
        return static_cast<unsigned long long>(request.RangeStart()) == partialLength ? Answer::Append
                                                                              : Answer::Refuse;
    if (status == 416)
        return partialLength == expectedSize ? Answer::AlreadyComplete : Answer::Refuse;
    // The server ignored the range and sends the whole file.
    if (IsSuccessStatus(status))
        return Answer::StartOver;
    return Answer::Refuse;
}

bool WriteAll(HANDLE file, const char* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

enum class Copy { Done, Failed, TooLong };

// Copies the body while it fits in room bytes: a server that sends more,
// or streams without end, would otherwise fill the disk. A body announced
// longer is refused before a byte of it is read.
Copy CopyBody(HttpRequest& request, HANDLE file, unsigned long long room)
{
    unsigned long long announced = 0;
    if (request.AnnouncedLength(&announced) && announced > room)
        return Copy::TooLong;
    // Each call has its own chunk; no allocation failure may leave the DLL
    // as an exception.
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[kChunkSize]);
    if (!chunk)
        return Copy::Failed;
    for (;;) {
        DWORD count = 0;
        if (!request.Read(chunk.get(), kChunkSize, &count))
            return Copy::Failed;
        if (count == 0)
            return Copy::Done;
        if (count > room)
            return Copy::TooLong;
        if (!WriteAll(file, chunk.get(), count))
            return Copy::Failed;
        room -= count;
    }
}

// 64 bits, so a file of 4 GiB + N never passes for N bytes.
bool LengthOf(HANDLE file, unsigned long long* length)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return false;
    *length = static_cast<unsigned long long>(size.QuadPart);
    return true;
}

bool Truncate(HANDLE file)
{
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && SetEndOfFile(file);
}

} // namespace

bool GetHTTPFile(const char* url, char* buffer, uint32_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = '\0';
    // No room for even the line feed and terminator.
    if (size < 2)
        return false;
    const utils::TransferLimits limits = utils::CurrentTransferLimits();
    const Deadline deadline(limits.textDeadlineMs);
    HttpRequest request(url, nullptr, limits, deadline);
    if (!request.Valid() || !IsSuccessStatus(request.Status()))
        return false;

    // Fill the buffer up to size - 2 bytes; the rest of a longer body is
    // left unread. The read is repeated because a read may return fewer
    // bytes than asked for before the body ends.
    const DWORD limit = size - 2;
    DWORD received = 0;
    while (received < limit) {
        DWORD count = 0;
        if (!request.Read(buffer + received, limit - received, &count)) {
            buffer[0] = '\0';
            return false;
        }
        if (count == 0)
            break;
        received += count;
    }
    buffer[received] = '\n';
    buffer[received + 1] = '\0';
    return true;
}

bool DownloadFile(const char* url, const char* path, uint32_t expectedSize)
{
    FileHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;

    unsigned long long partialLength = 0;
    if (!LengthOf(file.Get(), &partialLength))
        return false;
    char rangeHeader[64] = "";
    if (partialLength > 0) {
        std::snprintf(rangeHeader, sizeof rangeHeader, "Range: bytes=%" PRIu64 "-", partialLength);
        SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    }
    // A partial file longer than the whole leaves no room: any byte more
    // fails, and the length check below deletes it.
    const unsigned long long room = partialLength < expectedSize ? expectedSize - partialLength : 0;
    // Bounded by the file's size (a server may ignore the range and start
    // over), so that a trickling server fails the transfer in the end; the
    // partial file stays for the next attempt.
    const utils::TransferLimits limits = utils::CurrentTransferLimits();
    const Deadline deadline(utils::DownloadDeadlineMs(limits, expectedSize));
    Copy copied = Copy::Failed;
    bool transferred = false;
    bool deleteFile = false;
    {
        HttpRequest request(url, partialLength > 0 ? rangeHeader : nullptr, limits, deadline);
        if (request.Valid()) {
            const DWORD status = request.Status();
            switch (ClassifyAnswer(request, status, partialLength, expectedSize)) {
            case Answer::Append:
                copied = CopyBody(request, file.Get(), room);
                break;
            case Answer::StartOver:
                if (Truncate(file.Get()))
                    copied = CopyBody(request, file.Get(), expectedSize);
                break;
            case Answer::AlreadyComplete:
                transferred = true;
                break;
            case Answer::Refuse:
                // A 416 for a partial file of the wrong size, or a 206 for
                // another range, would be answered the same way next time:
                // start from nothing instead.
                deleteFile = status == 416 || status == 206;
                break;
            }
            transferred = transferred || copied == Copy::Done;
            deleteFile = deleteFile || copied == Copy::TooLong;
        }
    }

    FlushFileBuffers(file.Get());
    bool complete = transferred;
    unsigned long long finalLength = 0;
    if (transferred && (!LengthOf(file.Get(), &finalLength) || finalLength != expectedSize)) {
        complete = false;
        // A body that ends cleanly but short (a proxy or server that timed
        // out, a short 206) is resumed by the next call like a broken one;
        // on a line that drops every few minutes a large file would
        // otherwise never complete. Only a file longer than the whole can
        // never become it.
        deleteFile = deleteFile || finalLength > expectedSize;
    }
    file.Reset();
    if (deleteFile)
        DeleteFileA(path);
    return complete;
}
