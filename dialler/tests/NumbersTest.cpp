// The access-number lists as the running dialler reads, seeds and rotates
// them.
#include "CoreTestFixture.h"

using namespace guidriver;

using NumberSeeding = DiallerTest;

TEST_F(NumberSeeding, FreshStoreGetsTwoFreephoneCopiesAndOneLocalRate)
{
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);

    std::string freephone = Stored("FreePhone1");
    EXPECT_EQ("0808", freephone.substr(0, 4));
    EXPECT_EQ(freephone, Stored("FreePhone2"));
    EXPECT_EQ("<missing>", Stored("FreePhone3"));
    EXPECT_EQ("0845", Stored("LocalRatePhone1").substr(0, 4));
    EXPECT_EQ("<missing>", Stored("LocalRatePhone2"));
}

TEST_F(NumberSeeding, OlderUnnumberedValueBecomesTheWholeList)
{
    probe::WriteText(probe::kSettingsKey, "FreePhone", "0808999");
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);
    EXPECT_EQ("0808999", Stored("FreePhone1"));
    EXPECT_EQ("<missing>", Stored("FreePhone2"));

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() >= 2; }, 15000));
    EXPECT_EQ("0808999", run.installation.DialledNumbers()[1]) << "a one-number list redials that number";
}

using NumberTableLimits = DiallerTest;

TEST_F(NumberTableLimits, TwentyStoredNumbersRotateOverTheFirstFifteen)
{
    for (int n = 1; n <= 20; ++n)
        probe::WriteText(probe::kSettingsKey, ("FreePhone" + std::to_string(n)).c_str(), "0808" + std::to_string(n));
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() >= 16; }, 60000));
    Click(run.dialog, kConnectButton);
    auto numbers = run.installation.DialledNumbers();
    for (int n = 1; n <= 15; ++n)
        EXPECT_EQ("0808" + std::to_string(n), numbers[n - 1]);
    EXPECT_EQ("08081", numbers[15]) << "wraps after the fifteenth number";
    EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 10000));
}

TEST_F(NumberTableLimits, OverlongNumberIsSkippedNeverCutAndDialled)
{
    const std::string overlong(40, '7');
    StoreNumbers("FreePhone", {"0111", overlong, "0333"});
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() >= 3; }, 20000));
    Click(run.dialog, kConnectButton);
    auto numbers = run.installation.DialledNumbers();
    EXPECT_EQ((std::vector<std::string>{"0111", "0333", "0111"}),
              std::vector<std::string>(numbers.begin(), numbers.begin() + 3));
    for (const std::string& number : numbers)
        EXPECT_EQ(std::string::npos, number.find("7777")) << number;
    EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 10000));
}

TEST_F(NumberTableLimits, NextRunContinuesTheRotation)
{
    StoreNumbers("FreePhone", {"0111", "0222", "0333"});
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);

    // Each click waits until the button can be pressed: a click on a greyed
    // button is no user's.
    ASSERT_TRUE(WaitForEnabled(run.dialog, kConnectButton, 10000));
    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() >= 1; }, 10000));
    // The start-up "Not connected" must not pass for the end of this run: a
    // click during the hang-up's wait is ignored.
    ASSERT_TRUE(WaitUntil([&] { return ControlText(run.dialog, kStatusText) != "Not connected"; }, 10000));
    ASSERT_TRUE(WaitForEnabled(run.dialog, kConnectButton, 10000));
    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 10000));
    size_t firstRun = run.installation.DialledNumbers().size();

    ASSERT_TRUE(WaitForEnabled(run.dialog, kConnectButton, 10000));
    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() > firstRun; }, 10000));
    ASSERT_TRUE(WaitForEnabled(run.dialog, kConnectButton, 10000));
    Click(run.dialog, kConnectButton);
    const char* expected[] = {"0111", "0222", "0333"};
    EXPECT_EQ(expected[firstRun % 3], run.installation.DialledNumbers()[firstRun]);
    EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 10000));
}

TEST_F(NumberTableLimits, EachKindKeepsItsOwnRotation)
{
    StoreNumbers("FreePhone", {"0111", "0222"});
    StoreNumbers("LocalRatePhone", {"0845001", "0845002"});
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);

    // One attempt per run, then Disconnect.
    auto oneAttempt = [&](int kindButton) {
        PostMessageA(GetDlgItem(run.dialog, kindButton), BM_CLICK, 0, 0);
        size_t before = run.installation.DialledNumbers().size();
        EXPECT_TRUE(WaitForEnabled(run.dialog, kConnectButton, 10000));
        Click(run.dialog, kConnectButton);
        EXPECT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() > before; }, 10000));
        // The button stays greyed until the attempt reports progress; a
        // click before that is not a user's Disconnect.
        EXPECT_TRUE(WaitForEnabled(run.dialog, kConnectButton, 10000));
        Click(run.dialog, kConnectButton);
        EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 10000));
        return run.installation.DialledNumbers().at(before);
    };
    EXPECT_EQ("0111", oneAttempt(kFreephoneButton));
    EXPECT_EQ("0845001", oneAttempt(kLocalRateButton));
    EXPECT_EQ("0222", oneAttempt(kFreephoneButton));
    EXPECT_EQ("0845002", oneAttempt(kLocalRateButton));
}
