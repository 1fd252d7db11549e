// Manifest names become local paths: only bare file names may.
#include <gtest/gtest.h>

#include <string>

#include "update/BareFileName.h"
#include "update/FetchForms.h"
#include "update/StagingPaths.h"
#include "update/UpdateModel.h"

using Update::IsBareFileName;

TEST(IsBareFileName, AcceptsOrdinaryFileNames)
{
    for (const char* name : {"Tovrin.exe", "Utils.dll", "_tils.dll", "a", "readme.txt.bak", "CONFIG.SYS",
                             "COM10", "LPT10.txt", "nul_file", "...x"})
        EXPECT_TRUE(IsBareFileName(name)) << name;
}

TEST(IsBareFileName, RefusesPathsAndDotNames)
{
    for (const char* name : {"", ".", "..", "..\\Tovrin.exe", "sub/file.dll", "C:evil.exe", "a\\b",
                             "/etc/passwd", "x:stream"})
        EXPECT_FALSE(IsBareFileName(name)) << name;
    EXPECT_FALSE(IsBareFileName(nullptr));
}

TEST(IsBareFileName, RefusesDeviceNamesWithOrWithoutExtension)
{
    for (const char* name : {"CON", "con", "PRN", "AUX", "NUL", "NUL.txt", "nul.tar.gz", "COM1", "com9.log",
                             "LPT1", "lpt5.dll", "CON .txt", "AUX ", "LPT0.txt", "com0", "COM\xB9", "lpt\xB2.dll",
                             "LPT\xB3"})
        EXPECT_FALSE(IsBareFileName(name)) << name;
}

TEST(IsStagingName, MatchesTheStagingFolderThePendingListAndMarkersInAnyCase)
{
    for (const char* name : {"Update", "UPDATE", "update", "a.uok", "Tovrin.exe.UOK", ".uok", "Staging.pending",
                             "STAGING.PENDING"})
        EXPECT_TRUE(Update::IsStagingName(name)) << name;
    for (const char* name : {"Updates", "a.uok.bak", "uok", "Tovrin.exe", "Staging.pending.txt"})
        EXPECT_FALSE(Update::IsStagingName(name)) << name;
    // Only a marker of some file may be deleted from a pending list.
    EXPECT_TRUE(Update::IsMarkerName("a.UOK"));
    EXPECT_FALSE(Update::IsMarkerName(".uok"));
    EXPECT_FALSE(Update::IsMarkerName("Staging.pending"));
}

TEST(IsBareFileName, RefusesNamesWindowsRewritesByStrippingADotOrSpace)
{
    for (const char* name : {"Staging.pending.", "x.uok ", "Tovrin.exe.", "a ", "a. . "})
        EXPECT_FALSE(IsBareFileName(name)) << name;
}

TEST(IsBareFileName, RefusesWildcardsAndControlCharacters)
{
    for (const char* name : {"*.dll", "a?.exe", "a\"b", "a<b", "a>b", "a|b", "tab\tname"})
        EXPECT_FALSE(IsBareFileName(name)) << name;
}

TEST(FormatStagingPaths, BuildsTheThreeRelativePaths)
{
    Update::StagingPaths paths;
    ASSERT_TRUE(Update::FormatStagingPaths("Tovrin.exe", "1.0.4", paths));
    EXPECT_STREQ(paths.download, ".\\Update\\Tovrin.exe.1.0.4");
    EXPECT_STREQ(paths.staged, ".\\Update\\Tovrin.exe");
    EXPECT_STREQ(paths.marker, ".\\Tovrin.exe.uok");
}

TEST(FormatStagingPaths, RefusesNamesThatDoNotFit)
{
    Update::StagingPaths paths;
    const std::string longName(250, 'x');
    EXPECT_FALSE(Update::FormatStagingPaths(longName.c_str(), "1.0.4", paths));
}

TEST(FormatFormSource, SmallerFormsOverTheSizeCapAreNotFetched)
{
    Update::File file;
    file.SetName("a.bin");
    file.SetUrl("http://127.0.0.1/a.bin");
    file.SetVersion("1.0.1");
    file.SetSize(100);
    Update::StagingPaths paths;
    ASSERT_TRUE(Update::FormatStagingPaths("a.bin", "1.0.1", paths));
    Update::FormSource source;
    for (const unsigned int size : {Update::kMaxFileSize + 1, Update::kMaxFileSize}) {
        const bool offered = size <= Update::kMaxFileSize;
        file.SetGzSize(size);
        file.SetPatch(VersionHandler::AsVersionHandler("1.0.0"), size);
        EXPECT_EQ(Update::FormatFormSource(file, Update::FetchForm::Gzip, paths, source), offered) << size;
        EXPECT_EQ(Update::FormatFormSource(file, Update::FetchForm::Patch, paths, source), offered) << size;
    }
}
