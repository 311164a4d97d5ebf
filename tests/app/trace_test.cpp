#include "app/trace.h"

#include "support/recording_notifier.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(Trace, WritesOneTabSeparatedUtf8LinePerEvent) {
    test::TempDir dir;
    ManualClock clock(4294967000u); // wraps between start and the events
    {
        TraceWriter trace(dir.file("trace.txt"), clock, clock.tickCount());
        ASSERT_TRUE(trace.isOpen());
        clock.advance(1500);
        trace.tick(0x180, L"I am lost (no wireless signal available)");
        trace.tooltip(124, L"I am lost (no wireless signal available)");
        clock.advance(10000);
        trace.alert(L"Your location...", L"You are at Caf\u00e9 Nord", L"");
        trace.alert(L"Nearbeam Subscription", L"tab\there\r\nand line", L"http://x/");
        trace.tick(0x2000, L"You are at Hall", "floors close: 2nd floor at 62 %");
    }
    EXPECT_EQ(dir.read("trace.txt"),
              "1500\ttick\t384\tI am lost (no wireless signal available)\n"
              "1500\ttooltip\t124\tI am lost (no wireless signal available)\n"
              "11500\talert\tYour location...\tYou are at Caf\xc3\xa9 Nord\t\n"
              "11500\talert\tNearbeam Subscription\ttab here  and line\thttp://x/\n"
              "11500\ttick\t8192\tYou are at Hall\tfloors close: 2nd floor at 62 %\n");
}

TEST(Trace, AppendsToAnExistingFile) {
    test::TempDir dir;
    dir.write("trace.txt", "earlier\n");
    ManualClock clock;
    TraceWriter trace(dir.file("trace.txt"), clock, 0);
    trace.tick(0x2000, L"You are at Hall");
    EXPECT_EQ(dir.read("trace.txt"), "earlier\n0\ttick\t8192\tYou are at Hall\n");
}

TEST(Trace, TracesWhatTheTrayShowsAndPassesEverythingOn) {
    test::TempDir dir;
    ManualClock clock;
    RecordingNotifier shown;
    TraceWriter trace(dir.file("t.txt"), clock, 0);
    TracingNotifier notifier(shown, trace);
    const std::wstring hundred(100, L'x');
    notifier.setStatus(122, hundred);
    notifier.showAlert(std::wstring(300, L'b'), std::wstring(70, L't'), L"");
    notifier.showMessage(L"Problem getting path.", L"Internal Error");

    EXPECT_EQ(dir.read("t.txt"), "0\ttooltip\t122\t" + std::string(63, 'x') + "\n" + "0\talert\t" +
                                     std::string(63, 't') + "\t" + std::string(255, 'b') + "\t\n");
    ASSERT_EQ(shown.statuses().size(), 1u);
    EXPECT_EQ(shown.statuses()[0].tooltip, hundred);
    ASSERT_EQ(shown.alerts().size(), 1u);
    ASSERT_EQ(shown.messages().size(), 1u);
}

TEST(Trace, AFolderThatDoesNotExistLeavesTheWriterClosed) {
    test::TempDir dir;
    ManualClock clock;
    TraceWriter trace(dir.file("missing/trace.txt"), clock, 0);
    EXPECT_FALSE(trace.isOpen());
    trace.tick(0x180, L"x"); // nothing happens
}

} // namespace
} // namespace nearbeam
