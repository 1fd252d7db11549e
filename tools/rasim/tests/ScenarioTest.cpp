// The scenario parser: every statement, the defaults, and the mistakes it
// must report rather than act on.
#include "Scenario.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace rasim;

namespace {

std::string ReadScenario(const std::string& name)
{
    std::string path = std::string(RASIM_SCENARIO_DIR) + "/" + name;
#ifdef _WIN32
    path = "Z:" + path;  // the source tree as Wine sees it
#endif
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

Scenario Parse(const std::string& text, std::vector<std::string>& errors)
{
    return ParseScenario(text, errors);
}

}  // namespace

TEST(ScenarioParser, EveryStatementOfTheFullExample)
{
    std::vector<std::string> errors;
    Scenario scenario = Parse(ReadScenario("full-example.txt"), errors);
    EXPECT_TRUE(errors.empty()) << errors.front();

    ASSERT_EQ(scenario.devices.size(), 2u);
    EXPECT_EQ(scenario.devices[1].type, "ISDN");
    EXPECT_EQ(scenario.devices[1].name, "ISDN Adapter Channel 1");

    ASSERT_EQ(scenario.openAtStart.size(), 2u);
    EXPECT_EQ(scenario.openAtStart[0].entry, "Other ISP");
    EXPECT_EQ(scenario.openAtStart[0].deviceType, "ISDN");  // taken from the device list
    EXPECT_EQ(scenario.openAtStart[0].dropAfterMs, 30000);
    EXPECT_EQ(scenario.openAtStart[1].deviceType, "modem");  // not listed: the usual type
    EXPECT_EQ(scenario.openAtStart[1].dropAfterMs, -1);

    EXPECT_EQ(scenario.knownEntries, std::vector<std::string>{"Tovrin"});
    EXPECT_EQ(scenario.setEntryResult, 621u);
    EXPECT_EQ(scenario.hangUpMs, 500);

    ASSERT_EQ(scenario.dials.size(), 3u);
    const DialScript& busy = scenario.dials[0];
    EXPECT_FALSE(busy.connects);
    EXPECT_EQ(busy.error, 676u);
    EXPECT_EQ(busy.stepMs, 200);
    EXPECT_TRUE(busy.number.empty());

    const DialScript& connect = scenario.dials[1];
    EXPECT_EQ(connect.number, "08085550002");
    EXPECT_TRUE(connect.connects);
    EXPECT_EQ(connect.states, (std::vector<unsigned long>{0, 1, 2, 3, 4, 5, 14}));
    EXPECT_EQ(connect.dropAfterMs, 2500);
    EXPECT_EQ(connect.dropError, 619u);
    EXPECT_EQ(connect.hangUpMs, 40);

    EXPECT_EQ(scenario.dials[2].failAtOnce, 633u);
    EXPECT_EQ(scenario.unscripted.error, 678u);
    EXPECT_EQ(scenario.unscripted.stepMs, 100);
}

TEST(ScenarioParser, DefaultsWhenNothingIsSaid)
{
    std::vector<std::string> errors;
    Scenario empty = Parse("", errors);
    EXPECT_TRUE(empty.devices.empty());
    EXPECT_EQ(empty.hangUpMs, 300);
    EXPECT_EQ(empty.setEntryResult, 0u);
    EXPECT_FALSE(empty.unscripted.connects);
    EXPECT_EQ(empty.unscripted.error, 676u);
    EXPECT_EQ(empty.unscripted.states, (std::vector<unsigned long>{0, 1, 2}));

    Scenario connects = Parse("dial result=connect", errors);
    ASSERT_EQ(connects.dials.size(), 1u);
    EXPECT_EQ(connects.dials[0].states, (std::vector<unsigned long>{0, 1, 2, 3, 4, 5, 14}));
    EXPECT_EQ(connects.dials[0].dropAfterMs, -1);
    EXPECT_EQ(connects.dials[0].hangUpMs, -1);
    EXPECT_EQ(connects.dials[0].dropError, 628u);

    Scenario disconnects = Parse("dial result=disconnect", errors);
    ASSERT_EQ(disconnects.dials.size(), 1u);
    EXPECT_TRUE(disconnects.dials[0].disconnects);
    EXPECT_FALSE(disconnects.dials[0].connects);
    EXPECT_EQ(disconnects.dials[0].states, (std::vector<unsigned long>{0, 1, 2}));

    Scenario noStates = Parse("dial states= result=691", errors);
    ASSERT_EQ(noStates.dials.size(), 1u);
    EXPECT_TRUE(noStates.dials[0].states.empty());
    EXPECT_TRUE(errors.empty());
}

TEST(ScenarioParser, WindowsLineEndsAndCommentsAreIgnored)
{
    std::vector<std::string> errors;
    Scenario scenario = Parse(ReadScenario("crlf-lines.txt") + "   # indented comment\n\n", errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(scenario.devices.size(), 1u);
    EXPECT_EQ(scenario.devices[0].name, "Windows Line");
    ASSERT_EQ(scenario.dials.size(), 1u);
    EXPECT_TRUE(scenario.dials[0].connects);
}

TEST(ScenarioParser, MistakesAreReportedByLineAndSkipped)
{
    struct Case {
        const char* line;
        const char* why;
    };
    const Case cases[] = {
        {"dial result=maybe", "bad value for result"},
        {"dial result=0", "bad value for result"},
        {"dial fail=0", "bad value for fail"},
        {"dial drop=-1", "bad value for drop"},
        {"dial step=fast", "bad value for step"},
        {"dial states=1,,2", "bad value for states"},
        {"default number=0101", "default takes no number="},
        {"device name=\"Half open", "unterminated quote"},
        {"device type=modem name=\"\"", "device needs type= and name="},
        {"device type=modem name=x colour=blue", "unknown key colour"},
        {"open device=x", "open needs entry="},
        {"phonebook", "phonebook needs entry="},
        {"setentry result=", "setentry needs result=CODE"},
        {"hangup ms=-5", "hangup needs ms=N"},
        {"dial result", "expected key=value"},
        {"redial result=connect", "unknown keyword redial"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> errors;
        Scenario scenario = Parse(std::string("# first line\n") + c.line + "\n", errors);
        ASSERT_EQ(errors.size(), 1u) << c.line;
        EXPECT_EQ(errors[0], std::string("line 2: ") + c.why) << c.line;
        EXPECT_TRUE(scenario.dials.empty() && scenario.devices.empty()) << c.line;
    }
}
