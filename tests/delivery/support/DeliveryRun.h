#pragma once
// The real pieces of a delivery, as the dialler runs them: the manifest from
// the provider server, the download thread on its own thread, switcher.exe
// as a separate process, and a watcher that answers its message boxes.
#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "update/Update.h"

namespace delivery {

// Reads fixtures/<name>, replaces "@URL@" with the provider's address and
// each "@SIZE:file@" with sizes[file], and installs it as the server's answer
// to action=update.
void ServeManifest(const std::string& fixture, const std::map<std::string, size_t>& sizes);
// The same for an answer text.
void ServeManifestText(std::string text, const std::map<std::string, size_t>& sizes = {});
// A host file's bytes, read through Wine's drive Z:; empty when unreadable.
std::string ReadHostFile(const std::string& unixPath);
// The bytes of a file in the test program's folder.
std::string ReadProgramFile(const std::string& name);

// Serves at relativePath a program that passes the start-up check (the
// dialler stub) followed by filler from seed, size bytes in all, as
// provider::ServeFile does; returns the content.
std::string ServeProgram(const std::string& relativePath, unsigned int size, unsigned int seed);
// Copies of a program with the major part of its file version set to major.
std::string WithFileVersion(std::string program, unsigned short major);

// GetFileAndParse from the server, then FileDownloadThread on the entities
// through StartThreadedFunc; returns once the thread has ended. False when
// the manifest could not be read.
bool FetchAndDownload();

struct SwitcherRun {
    DWORD exitCode = 0;
    DWORD elapsedMs = 0;
    ULONGLONG endTime = 0;  // GetTickCount64 when the process was seen to end
};
// Copies switcher.exe from the test program's folder (an ASCII path) into the
// current (installation) directory, whatever its name, and runs it there
// with one argument (ASCII).
SwitcherRun RunSwitcher(const std::string& argument);
// Runs the switcher.exe already in the current directory.
SwitcherRun RunInstalledSwitcher(const std::string& argument);

// A stand-in for the dialler: a process that sleeps for ms, optionally
// holding a file open without sharing all that time.
class DiallerStub {
public:
    DiallerStub(DWORD ms, const std::string& holdPath = "");
    ~DiallerStub();
    DiallerStub(const DiallerStub&) = delete;
    DiallerStub& operator=(const DiallerStub&) = delete;

    DWORD Id() const { return info.dwProcessId; }
    bool Wait(DWORD ms) const;
    DWORD ExitCode() const;
    void End();

private:
    PROCESS_INFORMATION info{};
};

// Finds every message box titled "Tovrin Update" while it lives, records its
// text and presses OK.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<std::string> Texts();

private:
    void Watch();

    std::atomic<bool> stop{false};
    std::vector<std::string> texts;
    CRITICAL_SECTION lock;
    std::thread watcher;
};

// True once no other process can open path for reading.
bool WaitUntilHeld(const std::string& path);

} // namespace delivery
