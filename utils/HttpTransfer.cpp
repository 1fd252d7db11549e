// HTTP transfers: short texts into memory and files to disk with resume.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "HttpRequest.h"
#include "ScopedHandle.h"
#include "Utils.h"

using utils::HttpRequest;
using utils::IsSuccessStatus;

namespace {

const DWORD kChunkSize = 16384;

// How a download answer is to be taken, decided before any byte is written
// so an error page never lands in a file that is being resumed.
enum class Answer { Append, StartOver, AlreadyComplete, Refuse };

Answer ClassifyAnswer(const HttpRequest& request, DWORD status, DWORD partialLength, uint32_t expectedSize)
{
    if (partialLength == 0)
        return IsSuccessStatus(status) ? Answer::Append : Answer::Refuse;
    if (status == 206)
        return request.RangeStart() == static_cast<long long>(partialLength) ? Answer::Append
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

bool CopyBody(const HttpRequest& request, HANDLE file)
{
    std::unique_ptr<char[]> chunk(new char[kChunkSize]);
    for (;;) {
        DWORD count = 0;
        if (!request.Read(chunk.get(), kChunkSize, &count))
            return false;
        if (count == 0)
            return true;
        if (!WriteAll(file, chunk.get(), count))
            return false;
    }
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
    HttpRequest request(url, nullptr);
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

    const DWORD partialLength = GetFileSize(file.Get(), nullptr);
    char rangeHeader[64] = "";
    if (partialLength > 0) {
        std::snprintf(rangeHeader, sizeof rangeHeader, "Range: bytes=%lu-", static_cast<unsigned long>(partialLength));
        SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    }

    bool transferred = false;
    bool deleteFile = false;
    {
        HttpRequest request(url, partialLength > 0 ? rangeHeader : nullptr);
        if (request.Valid()) {
            const DWORD status = request.Status();
            switch (ClassifyAnswer(request, status, partialLength, expectedSize)) {
            case Answer::Append:
                transferred = CopyBody(request, file.Get());
                break;
            case Answer::StartOver:
                transferred = Truncate(file.Get()) && CopyBody(request, file.Get());
                break;
            case Answer::AlreadyComplete:
                transferred = true;
                break;
            case Answer::Refuse:
                // A 416 for a partial file of the wrong size can never be
                // resumed: start from nothing next time.
                deleteFile = status == 416;
                break;
            }
        }
    }

    FlushFileBuffers(file.Get());
    bool complete = transferred;
    if (transferred && GetFileSize(file.Get(), nullptr) != expectedSize) {
        complete = false;
        deleteFile = true;
    }
    file.Reset();
    if (deleteFile)
        DeleteFileA(path);
    return complete;
}
