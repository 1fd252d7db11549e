// The start-up check of the dialler and the statistics window, run as the
// switcher runs it: beside their libraries, while the dialler's instance
// mutex is held by someone else.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "DiallerInstallation.h"
#include "MessageBoxes.h"
#include "RegistryProbe.h"
#include "dialler/res/resource.h"
#include "stats/res/resource.h"
#include "utils/ScopedHandle.h"
#include "utils/SwitcherResume.h"

namespace {

const char kCheck[] = "--startup-check";

// The exit code, or STILL_ACTIVE when it did not end in time (a window
// waiting for a user, say).
DWORD RunCheck(const std::string& program)
{
    guidriver::GuiProcess process;
    if (!process.Start(program, kCheck, program.substr(0, program.find_last_of('\\'))))
        return STILL_ACTIVE;
    process.WaitForExit(20000);
    return process.ExitCode();
}

bool KeyExists(HKEY root, const char* path)
{
    RegistryKey key;
    return RegOpenKeyExA(root, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

TEST(StartupCheck, PassesForTheBuiltProgramsAndFailsForWhatTheyLack)
{
    probe::ClearTovrinKey();
    guidriver::Installation installation("");
    ASSERT_TRUE(installation.AddProgram("Tallyview.dll"));
    const std::string dialler = installation.PathOf("Tovrin.exe");
    const std::string stats = installation.PathOf("Tallyview.dll");
    // As the switcher holds it while it replaces files.
    KernelHandle instance(CreateMutexA(nullptr, TRUE, "tovrin:Mutex:Instance"));
    ASSERT_TRUE(instance);

    EXPECT_EQ(RunCheck(dialler), 0u);
    EXPECT_EQ(RunCheck(stats), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\tovrin")) << "the check wrote settings";
    RegistryKey runOnce;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSwitcherResumeKey, 0, KEY_READ, runOnce.Receive()) == ERROR_SUCCESS) {
        EXPECT_NE(RegQueryValueExW(runOnce.Get(), kSwitcherResumeValue, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
    }

    // Any other command line is an ordinary start: with the mutex held,
    // that is the "already running" box.
    guidriver::GuiProcess other;
    ASSERT_TRUE(other.Start(dialler, std::string(kCheck) + " now", installation.Folder()));
    EXPECT_NE(guidriver::WaitForMessageBox("Tovrin running", other.Id(), 20000).box, nullptr);
    other.Terminate();

    // Copies as a bad build might ship them, without their main dialog.
    const std::string lacking = guidriver::WindowsPath(RELEASES_DIR) + "\\lacking\\";
    ASSERT_TRUE(installation.AddFile(lacking + "Tovrin.exe", "Tovrin.exe"));
    ASSERT_TRUE(installation.AddFile(lacking + "Tallyview.dll", "Tallyview.dll"));
    EXPECT_NE(RunCheck(dialler), 0u) << "main dialog missing";
    EXPECT_NE(RunCheck(stats), 0u) << "window template missing";

    ASSERT_TRUE(installation.AddProgram("Tovrin.exe"));
    ASSERT_TRUE(DeleteFileA(installation.PathOf("Praxel.dll").c_str()));
    EXPECT_NE(RunCheck(dialler), 0u) << "library missing";
}

} // namespace
