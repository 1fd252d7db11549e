// DownloadFile against the provider stand-in: resume, status handling and the
// final length check.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ProviderControl.h"
#include "utils/AbandonedRequest.h"
#include "utils/ScopedHandle.h"
#include "utils/TransferLimits.h"
#include "utils/Utils.h"

namespace {

// Binary content with zero bytes, so a stray text terminator would show.
std::string Pattern(size_t size, unsigned seed = 7)
{
    std::string data(size, '\0');
    unsigned value = seed;
    for (size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        data[i] = static_cast<char>(value >> 16);
    }
    return data;
}

std::optional<std::string> ReadLocal(const std::string& path)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string data(GetFileSize(file.Get(), nullptr), '\0');
    DWORD count = 0;
    if (!data.empty())
        ReadFile(file.Get(), &data[0], static_cast<DWORD>(data.size()), &count, nullptr);
    data.resize(count);
    return data;
}

void WriteLocal(const std::string& path, const std::string& data)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.Valid()) << path;
    DWORD written = 0;
    WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

class Download : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(provider::BaseUrl().empty()) << "runs beside the provider server";
        ASSERT_TRUE(provider::Reset());
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%stovrin-download-%lu", temp, GetCurrentProcessId());
        folder = name;
        CreateDirectoryA(folder.c_str(), nullptr);
        local = folder + "\\a.bin";
        DeleteFileA(local.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(local.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    bool Fetch(const std::string& served, uint32_t expected, const std::string& query = "")
    {
        return DownloadFile((provider::FileUrl(served) + query).c_str(), local.c_str(), expected);
    }
    bool LocalExists() const { return GetFileAttributesA(local.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string folder;
    std::string local;
};

TEST_F(Download, NewFileOfExactSizeIsComplete)
{
    const std::string data = Pattern(50000);
    provider::ServeFile("files/a.bin", data);
    EXPECT_TRUE(Fetch("files/a.bin", 50000));
    EXPECT_EQ(ReadLocal(local), data);
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].range, "");
    EXPECT_EQ(log[0].userAgent, "Tovrin");
}

TEST_F(Download, BodyOneByteShortIsKeptUntilTheServerHasNoMore)
{
    provider::ServeFile("files/a.bin", Pattern(4999));
    EXPECT_FALSE(Fetch("files/a.bin", 5000));
    EXPECT_EQ(ReadLocal(local), Pattern(4999));
    // Nothing after it (416): the next call starts from nothing.
    EXPECT_FALSE(Fetch("files/a.bin", 5000));
    EXPECT_FALSE(LocalExists());
}

TEST_F(Download, CleanCutBeforeTheAnnouncedLengthKeepsThePartialForResume)
{
    // Regression: a body that ended cleanly half-way counted as finished,
    // and the length check deleted it, so every attempt started from zero.
    const std::string data = Pattern(300000);
    provider::ServeFile("files/a.bin", data);
    provider::AddFault("/files/a.bin", "cleancut=150000", 1);
    EXPECT_FALSE(Fetch("files/a.bin", 300000));
    const auto partial = ReadLocal(local);
    ASSERT_TRUE(partial.has_value());
    ASSERT_GT(partial->size(), 0u);
    EXPECT_EQ(*partial, data.substr(0, partial->size()));
    EXPECT_TRUE(Fetch("files/a.bin", 300000));
    EXPECT_EQ(ReadLocal(local), data);
    const auto requests = provider::RequestsFor("/files/a.bin");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(partial->size()) + "-");
}

TEST_F(Download, ExpectedSizeZeroWithEmptyBodyLeavesEmptyFile)
{
    provider::ServeFile("files/empty.bin", "");
    EXPECT_TRUE(Fetch("files/empty.bin", 0));
    EXPECT_EQ(ReadLocal(local), std::string());
}

TEST_F(Download, PartialFileIsResumedWithRangeHeader)
{
    const std::string data = Pattern(40000);
    provider::ServeFile("files/a.bin", data);
    WriteLocal(local, data.substr(0, 1000));
    EXPECT_TRUE(Fetch("files/a.bin", 40000));
    EXPECT_EQ(ReadLocal(local), data);
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].range, "bytes=1000-");
    EXPECT_EQ(log[0].status, 206);
}

TEST_F(Download, IgnoredRangeStartsOverInsteadOfDoublingTheFile)
{
    // The partial bytes are wrong on purpose: only a true start-over from
    // byte 0 gives the served file.
    const std::string data = Pattern(40000);
    provider::ServeFile("files/a.bin", data);
    WriteLocal(local, Pattern(1000, 99));
    EXPECT_TRUE(Fetch("files/a.bin", 40000, "?norange=1"));
    EXPECT_EQ(ReadLocal(local), data);
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].range, "bytes=1000-");
    EXPECT_EQ(log[0].status, 200);
}

TEST_F(Download, CutTransferKeepsPartialAndNextCallCompletes)
{
    const std::string data = Pattern(100000);
    provider::ServeFile("files/a.bin", data);
    ASSERT_TRUE(provider::Control("fault?path=/files/a.bin&cut=40000&times=1"));
    EXPECT_FALSE(Fetch("files/a.bin", 100000));
    // Whatever arrived before the reset is kept (a slow reader may lose the
    // last bytes to it).
    const auto partial = ReadLocal(local);
    ASSERT_TRUE(partial.has_value());
    EXPECT_GT(partial->size(), 0u);
    EXPECT_LE(partial->size(), 40000u);
    EXPECT_EQ(*partial, data.substr(0, partial->size()));

    EXPECT_TRUE(Fetch("files/a.bin", 100000));
    EXPECT_EQ(ReadLocal(local), data);
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].range, "bytes=" + std::to_string(partial->size()) + "-");
}

TEST_F(Download, ErrorStatusOnResumeKeepsPartialWithoutErrorPage)
{
    const std::string data = Pattern(40000);
    provider::ServeFile("files/a.bin", data);
    WriteLocal(local, data.substr(0, 1000));
    EXPECT_FALSE(Fetch("files/a.bin", 40000, "?status=404"));
    EXPECT_EQ(ReadLocal(local), data.substr(0, 1000));
    EXPECT_FALSE(Fetch("files/a.bin", 40000, "?status=500"));
    EXPECT_EQ(ReadLocal(local), data.substr(0, 1000));

    // The kept part is still good for the next attempt.
    EXPECT_TRUE(Fetch("files/a.bin", 40000));
    EXPECT_EQ(ReadLocal(local), data);
}

TEST_F(Download, ErrorStatusOnNewFileWritesNothing)
{
    EXPECT_FALSE(Fetch("files/missing.bin", 1234));
    const auto left = ReadLocal(local);
    EXPECT_TRUE(!left || left->empty()) << "an error page was written into the file";
}

TEST_F(Download, RangeBeyondEndWithCompletePartialIsSuccess)
{
    const std::string data = Pattern(20000);
    provider::ServeFile("files/a.bin", data);
    WriteLocal(local, data);
    EXPECT_TRUE(Fetch("files/a.bin", 20000));
    EXPECT_EQ(ReadLocal(local), data);
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].status, 416);
}

TEST_F(Download, RangeBeyondEndWithOversizedPartialDeletesIt)
{
    provider::ServeFile("files/a.bin", Pattern(20000));
    WriteLocal(local, Pattern(25000));
    EXPECT_FALSE(Fetch("files/a.bin", 20000));
    EXPECT_FALSE(LocalExists());
    // ...so the next attempt starts from nothing and succeeds.
    EXPECT_TRUE(Fetch("files/a.bin", 20000));
    EXPECT_EQ(ReadLocal(local), Pattern(20000));
}

TEST_F(Download, FileHeldOpenByAnotherHandleFailsWithoutRequest)
{
    const std::string data = Pattern(3000);
    provider::ServeFile("files/a.bin", data);
    WriteLocal(local, data.substr(0, 100));
    {
        FileHandle holder(CreateFileA(local.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.Valid());
        EXPECT_FALSE(Fetch("files/a.bin", 3000));
    }
    EXPECT_TRUE(provider::Log().empty());
    EXPECT_EQ(ReadLocal(local), data.substr(0, 100));
}

TEST_F(Download, WrongSizeAnswerIsDeletedAndRetriedFromZero)
{
    const std::string data = Pattern(30000);
    provider::ServeFile("files/a.bin", data);
    ASSERT_TRUE(provider::Control("fault?path=/files/a.bin&wrongsize=31000&times=1"));
    EXPECT_FALSE(Fetch("files/a.bin", 30000));
    EXPECT_FALSE(LocalExists());
    EXPECT_TRUE(Fetch("files/a.bin", 30000));
    EXPECT_EQ(ReadLocal(local), data);
}

TEST_F(Download, BodyLongerThanExpectedIsCutOffAndDeleted)
{
    // A body far past the expected size that then breaks off: taken whole,
    // it would stay as an oversized partial file. The download stops at the
    // first chunk past the expected size and deletes the file instead.
    provider::ServeFile("files/a.bin", Pattern(30000));
    EXPECT_FALSE(Fetch("files/a.bin", 30000, "?wrongsize=1000000&cut=100000"));
    EXPECT_FALSE(LocalExists());
    EXPECT_TRUE(Fetch("files/a.bin", 30000));
    EXPECT_EQ(ReadLocal(local), Pattern(30000));
}

TEST_F(Download, PartialAnswerForAnotherRangeDeletesThePartialFile)
{
    const std::string data = Pattern(40000);
    provider::ServeFile("files/a.bin", data);
    WriteLocal(local, data.substr(0, 1000));
    EXPECT_FALSE(Fetch("files/a.bin", 40000, "?rangefromzero=1"));
    EXPECT_FALSE(LocalExists());
    // ...so the next attempt asks for the whole file and gets it.
    EXPECT_TRUE(Fetch("files/a.bin", 40000));
    EXPECT_EQ(ReadLocal(local), data);
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].range, "");
}

struct ParallelDownload {
    std::string url;
    std::string path;
    uint32_t size = 0;
    bool result = false;
};

DWORD WINAPI RunDownload(void* argument)
{
    auto* job = static_cast<ParallelDownload*>(argument);
    job->result = DownloadFile(job->url.c_str(), job->path.c_str(), job->size);
    return 0;
}

TEST_F(Download, ConcurrentDownloadsDoNotShareTheirChunks)
{
    // Different content in each, so one chunk buffer shared between the
    // calls would mix them.
    const uint32_t size = 1 << 20;
    const int count = 4;
    ParallelDownload jobs[count];
    KernelHandle threads[count];
    HANDLE waitable[count];
    for (int i = 0; i < count; ++i) {
        const std::string name = "files/part" + std::to_string(i) + ".bin";
        provider::ServeFile(name, Pattern(size, i + 1));
        jobs[i].url = provider::FileUrl(name);
        jobs[i].path = folder + "\\part" + std::to_string(i) + ".bin";
        jobs[i].size = size;
    }
    for (int i = 0; i < count; ++i) {
        threads[i].Reset(CreateThread(nullptr, 0, RunDownload, &jobs[i], 0, nullptr));
        ASSERT_TRUE(threads[i].Valid());
        waitable[i] = threads[i].Get();
    }
    ASSERT_EQ(WaitForMultipleObjects(count, waitable, TRUE, 60000), WAIT_OBJECT_0);
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(jobs[i].result) << i;
        EXPECT_TRUE(ReadLocal(jobs[i].path) == Pattern(size, i + 1)) << i;
        DeleteFileA(jobs[i].path.c_str());
    }
}

// Short bounds for the slow-server cases; the real ones would make each take
// a minute or more.
class ShortTransferLimits {
public:
    ShortTransferLimits() : saved(utils::CurrentTransferLimits())
    {
        utils::SetTransferLimits({5000, 5000, 3000, 3000, 100000});
    }
    ~ShortTransferLimits() { utils::SetTransferLimits(saved); }

private:
    utils::TransferLimits saved;
};

ULONGLONG SecondsSince(ULONGLONG startTick)
{
    return (GetTickCount64() - startTick) / 1000;
}

TEST_F(Download, OversizedAndTricklingAnswersAreAbandonedWithinTheirBounds)
{
    // The bound asserted is generous: a stuck transfer would take minutes
    // (a 1 GB body drained through WinINet) or forever (a trickle).
    const ULONGLONG kBoundSeconds = 15;
    const ShortTransferLimits limits;
    const std::string data = provider::ServeFile("files/a.bin", 100000, 5);
    const std::string huge = "wrongsize=1000000000";
    {
        SCOPED_TRACE("1 GB announced for a 100,000-byte file");
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(Fetch("files/a.bin", 100000, "?" + huge));
        EXPECT_LT(SecondsSince(start), kBoundSeconds);
        EXPECT_FALSE(LocalExists());
    }
    // Under Wine the close of an answer of announced length reads the rest
    // of it (minutes for 1 GB), and a new request waits for that close; the
    // reset ends the stream so that the close ends too.
    ASSERT_TRUE(provider::Reset());
    {
        SCOPED_TRACE("a body without length that streams on");
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(Fetch("files/a.bin", 100000, "?nolength=1&" + huge));
        EXPECT_LT(SecondsSince(start), kBoundSeconds);
        EXPECT_FALSE(LocalExists());
    }
    {
        SCOPED_TRACE("GetHTTPFile keeps the start of a huge body");
        std::vector<char> buffer(2048);
        const ULONGLONG start = GetTickCount64();
        EXPECT_TRUE(GetHTTPFile((provider::FileUrl("files/a.bin") + "?" + huge).c_str(), buffer.data(), 2048));
        EXPECT_LT(SecondsSince(start), kBoundSeconds);
        EXPECT_EQ(std::string(buffer.data(), 2046), data.substr(0, 2046));
    }
    ASSERT_TRUE(provider::Reset());
    {
        SCOPED_TRACE("a trickled download fails at its deadline and resumes");
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(Fetch("files/a.bin", 100000, "?trickle=200"));
        EXPECT_LT(SecondsSince(start), kBoundSeconds);
        const auto partial = ReadLocal(local);
        ASSERT_TRUE(partial.has_value());
        EXPECT_GT(partial->size(), 0u);
        EXPECT_EQ(*partial, data.substr(0, partial->size()));
        EXPECT_TRUE(Fetch("files/a.bin", 100000));
        EXPECT_EQ(ReadLocal(local), data);
        // The trickle's own entry may be logged after the resume's.
        const std::string resumed = "bytes=" + std::to_string(partial->size()) + "-";
        const auto requests = provider::RequestsFor("/files/a.bin");
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                                [&](const provider::LoggedRequest& r) { return r.range == resumed; }));
    }
    {
        SCOPED_TRACE("GetHTTPFile against a trickle");
        char buffer[2048];
        std::strcpy(buffer, "stale");
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(GetHTTPFile((provider::FileUrl("files/a.bin") + "?trickle=200").c_str(), buffer, sizeof buffer));
        EXPECT_LT(SecondsSince(start), kBoundSeconds);
        EXPECT_STREQ(buffer, "");
    }
}

TEST_F(Download, HeaderLinesSentSlowlyCannotHoldTheRequestPastItsDeadline)
{
    // Each line well within the receive time-out: only the deadline ends
    // it. Sent whole, the headers would take over 20 s.
    const ShortTransferLimits limits;
    provider::ServeFile("files/a.bin", 1000, 5);
    const std::string slow = provider::FileUrl("files/a.bin") + "?slowheaders=4000";
    {
        SCOPED_TRACE("GetHTTPFile");
        char buffer[64];
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(GetHTTPFile(slow.c_str(), buffer, sizeof buffer));
        EXPECT_LT(SecondsSince(start), 10u);
    }
    // Releases the first request, whose close a new one waits for.
    ASSERT_TRUE(provider::Reset());
    {
        SCOPED_TRACE("DownloadFile");
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(DownloadFile(slow.c_str(), local.c_str(), 1000));
        EXPECT_LT(SecondsSince(start), 10u);
    }
}

DWORD WINAPI AbandonAnswers(void* argument)
{
    const std::string& url = *static_cast<const std::string*>(argument);
    for (int i = 0; i < 5; ++i) {
        char buffer[2048];
        GetHTTPFile((url + (i % 2 ? "&nolength=1" : "")).c_str(), buffer, sizeof buffer);
    }
    return 0;
}

TEST_F(Download, AbandonedAnswersHoldAtMostOneThreadAndSocketPerCaller)
{
    // Statistics-sized reads of endless answers, from four callers at once:
    // each answer is dropped unread, and its close (which under Wine reads
    // on for as long as the server sends) must not pile up.
    const ShortTransferLimits limits;
    const int kCallers = 4;
    provider::ServeFile("files/a.bin", 100000, 5);
    const std::string url = provider::FileUrl("files/a.bin") + "?wrongsize=1000000000";
    KernelHandle callers[kCallers];
    HANDLE waitable[kCallers];
    for (int i = 0; i < kCallers; ++i) {
        callers[i].Reset(CreateThread(nullptr, 0, AbandonAnswers, const_cast<std::string*>(&url), 0, nullptr));
        ASSERT_TRUE(callers[i].Valid());
        waitable[i] = callers[i].Get();
    }
    unsigned int peak = 0;
    while (WaitForMultipleObjects(kCallers, waitable, TRUE, 2) == WAIT_TIMEOUT)
        peak = std::max(peak, utils::RequestThreadsAlive());
    EXPECT_LE(peak, static_cast<unsigned>(kCallers));
    // Ends the streams, and so the closes still reading them.
    ASSERT_TRUE(provider::Reset());
    const ULONGLONG start = GetTickCount64();
    while (utils::RequestThreadsAlive() > 0 && SecondsSince(start) < 15)
        Sleep(10);
    EXPECT_EQ(utils::RequestThreadsAlive(), 0u);
}

TEST_F(Download, UnreachableServerKeepsPartialFile)
{
    WriteLocal(local, Pattern(500));
    EXPECT_FALSE(DownloadFile("http://127.0.0.1:1/files/a.bin", local.c_str(), 3000));
    EXPECT_EQ(ReadLocal(local), Pattern(500));
}

} // namespace
