#pragma once
// A fresh installation directory per test, made the current directory for
// the test's life (staging and markers are relative to it), then removed.
#include <string>

namespace delivery {

class ScratchInstall {
public:
    ScratchInstall();
    ~ScratchInstall();
    ScratchInstall(const ScratchInstall&) = delete;
    ScratchInstall& operator=(const ScratchInstall&) = delete;

    const std::string& Dir() const { return dir; }
    std::string Path(const std::string& relative) const;

    void Write(const std::string& relative, const std::string& content) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Every file and folder below the directory, relative, sorted.
    std::string Listing() const;

private:
    std::string dir;
    std::string previous;
};

// The folder holding the running test program (and switcher.exe beside it).
std::string ProgramDirectory();

} // namespace delivery
