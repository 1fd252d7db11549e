// Signed update answers, against a Praxel.dll built with a test key: the
// whole refresh, from the provider's answer to the staged files. The
// provider signs each answer as it is set (with the test's private key) and
// injects the forgeries.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeliveryTest.h"
#include "dialler/ConfigRefresh.h"
#include "dialler/DiallerContext.h"


namespace {

const char kFarFuture[] = "2099-01-01T00:00:00Z";
const char kOldNumber[] = "0808 old";
const char kNewNumber[] = "0808 100 0001";

struct Signing {
    const char* key = "provider";  // a folder of test keys made by the build
    std::string serial = "7";  // stamped as given
    const char* expires = kFarFuture;
    std::string extra;  // more control options: faults, a trailer
};

class SignedUpdateTest : public delivery::DeliveryTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(provider::BaseUrl().empty()) << "run beside the provider server";
        DeliveryTest::SetUp();
        probe::WriteText(probe::kSettingsKey, "FreePhone1", kOldNumber);
        probe::WriteDword(probe::kSettingsKey, "UpdateSerial", 6);
        a = provider::ServeFile("f/a.bin", 3000, 1);
        b = provider::ServeFile("f/b.bin", 2000, 2);
        updatePage = provider::BaseUrl() + "/update";
    }

    std::string Answer() const
    {
        std::string files = provider::BaseUrl() + "/f/";
        return "<?xml version=\"1.0\"?>\n<config>\n"
               "  <data-update name=\"FreePhone\" value=\"" + std::string(kNewNumber) + "\"/>\n"
               "  <entity name=\"tools\">\n"
               "    <file name=\"a.bin\" url=\"" + files + "a.bin\" version=\"1.0.1\" size=\"3000\"/>\n"
               "    <file name=\"b.bin\" url=\"" + files + "b.bin\" version=\"1.0.2\" size=\"2000\"/>\n"
               "  </entity>\n</config>\n";
    }

    void Serve(const Signing& signing)
    {
        std::string key = std::string(TOVRIN_TEST_KEY_DIR) + "/" + signing.key + "/private.pem";
        ASSERT_TRUE(provider::Post("/_control/answer?action=update&sign=" + key + "&files=f&serial=" +
                                               signing.serial + "&expires=" + signing.expires +
                                               signing.extra,
                                           Answer()));
    }

    // The refresh as the dialler runs it after connecting. Settings are
    // stored and the files staged before it returns.
    void Refresh()
    {
        RefreshRequest request = {updatePage.c_str(), "alice"};
        RefreshConfigThread(&request);
    }

    std::string Setting(const char* name) { return probe::ReadText(probe::kSettingsKey, name).value_or("<none>"); }
    DWORD StoredSerial() { return probe::ReadDword(probe::kSettingsKey, "UpdateSerial").value_or(0); }

    void ExpectApplied()
    {
        EXPECT_EQ(Setting("FreePhone1"), kNewNumber);
        EXPECT_EQ(install.Read("a.bin.uok"), a);
        EXPECT_EQ(install.Read("b.bin.uok"), b);
        EXPECT_EQ(Record("a.bin"), "1.0.1");
        EXPECT_EQ(Record("b.bin"), "1.0.2");
        EXPECT_EQ(StoredSerial(), 7u);
    }

    std::string a, b, updatePage;
};

} // namespace

TEST_F(SignedUpdateTest, SignedAnswerIsAppliedAndItsFilesStagedAndRecorded)
{
    Serve(Signing());
    Refresh();
    ExpectApplied();
    EXPECT_EQ(install.Listing(), "Update\\\na.bin.uok\nb.bin.uok\n");
}

TEST_F(SignedUpdateTest, EveryForgeryLeavesEverythingAsItWasAndFetchesNoFile)
{
    struct Forgery {
        const char* what;
        Signing signing;
    };
    std::vector<Forgery> forgeries = {
        {"stripped signature", {"provider", "7", kFarFuture, "&stripsig=1"}},
        {"signed by another key", {"stranger", "7", kFarFuture, ""}},
        {"serial lower than the last one seen", {"provider", "5", kFarFuture, ""}},
        {"expired", {"provider", "7", "2020-01-01T00:00:00Z", ""}},
        {"signed for another request", {"provider", "7", kFarFuture, "&signaction=userstat"}},
        {"signed for no request", {"provider", "7", kFarFuture, "&signaction="}},
        {"serial too long for its buffer, cut it reads 7", {"provider", "0000000000000070", kFarFuture, ""}},
    };
    // One flipped bit anywhere in the signed part (the declaration, the
    // root's stamps, a number, a file's address, the root's closing '>',
    // counted from the end) or in the signature itself.
    for (const char* at : {"0", "30", "60", "120", "200", "300", "-133", "-60"}) {
        std::string position = at;
        forgeries.push_back({"flipped byte", {"provider", "7", kFarFuture, "&flipbyte=" + position}});
    }
    for (const Forgery& forgery : forgeries) {
        SCOPED_TRACE(forgery.what + forgery.signing.extra);
        provider::Reset();
        Serve(forgery.signing);
        Refresh();
        EXPECT_EQ(Setting("FreePhone1"), kOldNumber);
        EXPECT_EQ(StoredSerial(), 6u);
        EXPECT_EQ(Record("a.bin"), "<none>");
        EXPECT_TRUE(provider::RequestsFor("/f/a.bin").empty() && provider::RequestsFor("/f/b.bin").empty());
        EXPECT_EQ(install.Listing(), "");
    }
}

TEST_F(SignedUpdateTest, FileNotMatchingItsDigestIsDeletedAndNothingOfItsEntityStaged)
{
    provider::AddFault("/f/a.bin", "corrupt=1", 1);
    Serve(Signing());
    Refresh();
    EXPECT_EQ(provider::RequestsFor("/f/a.bin").size(), 1u);
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_EQ(Record("b.bin"), "<none>");
    // b.bin waits, complete, for the next answer to bring a sound a.bin.
    EXPECT_EQ(install.Read("Update\\b.bin.1.0.2"), b);
    EXPECT_EQ(install.Listing(), "Update\\\nUpdate\\b.bin.1.0.2\n");
}

TEST_F(SignedUpdateTest, BytesAfterTheSignatureAndASecondSignatureChangeNothing)
{
    // A stranger's signature and more elements after the real one.
    std::string trailer = "%3C!--tovrin-signature:ecdsa-p256-sha256:" + std::string(86, 'A') +
                          "%3D%3D--%3E%3Cdata-update%20name%3D%22HomePage%22%20value%3D%22http://evil/%22/%3E";
    Serve({"provider", "7", kFarFuture, "&append=" + trailer});
    Refresh();
    ExpectApplied();
    EXPECT_EQ(Setting("HomePage"), "<none>");
}

TEST_F(SignedUpdateTest, FreshProfileRefusesSerialsBelowTheBuildsFloor)
{
    probe::ClearTovrinKey();
    probe::WriteText(probe::kSettingsKey, "FreePhone1", kOldNumber);
    Serve({"provider", std::to_string(TOVRIN_TEST_MIN_SERIAL - 1), kFarFuture, ""});
    Refresh();
    EXPECT_EQ(Setting("FreePhone1"), kOldNumber);
    EXPECT_FALSE(probe::ReadDword(probe::kSettingsKey, "UpdateSerial").has_value());
    EXPECT_TRUE(provider::RequestsFor("/f/a.bin").empty());

    Serve({"provider", std::to_string(TOVRIN_TEST_MIN_SERIAL), kFarFuture, ""});
    Refresh();
    EXPECT_EQ(Setting("FreePhone1"), kNewNumber);
    EXPECT_EQ(StoredSerial(), static_cast<DWORD>(TOVRIN_TEST_MIN_SERIAL));
}
