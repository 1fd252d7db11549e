// Reading the simulator's log as the tests do, including while it is being
// written.
#include "RasimLogReader.h"

#include <gtest/gtest.h>

using namespace rasim;

TEST(RasimLogReader, SplitsEventsAndFields)
{
    auto events = ParseRasimLog("load\tscenario=\tms=3\n"
                                "dial\tentry=Tovrin\tphone=0808 555\tuser=a=b\tresult=0\tms=12\r\n");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event, "load");
    EXPECT_EQ(events[0].Get("scenario"), "");
    EXPECT_EQ(events[1].Get("phone"), "0808 555");
    EXPECT_EQ(events[1].Get("user"), "a=b");  // only the first '=' separates
    EXPECT_EQ(events[1].Number("ms"), 12u);
    EXPECT_EQ(events[1].Get("missing"), "");
}

TEST(RasimLogReader, LineStillBeingWrittenIsLeftOut)
{
    auto events = ParseRasimLog("hangup\thandle=0x1000\tresult=0\tms=5\nstatus\thandle=0x10");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Number("handle"), 0x1000u);
}

TEST(RasimLogReader, EventsNamedKeepsTheirOrder)
{
    auto events = ParseRasimLog("dial\tphone=1\nnotify\tstate=0\ndial\tphone=2\n\n");
    auto dials = EventsNamed(events, "dial");
    ASSERT_EQ(dials.size(), 2u);
    EXPECT_EQ(dials[0].Get("phone"), "1");
    EXPECT_EQ(dials[1].Get("phone"), "2");
    EXPECT_TRUE(ReadRasimLog("no-such-directory/no-such.log").empty());
}
