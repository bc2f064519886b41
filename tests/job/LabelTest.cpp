// Labels: one microphone each, and serial numbers from a counter.
#include "job/MicLabel.h"
#include "job/SerialCounter.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

// The counter's next label; empty when it has none left.
std::string NextOf(CSerialCounter& counter)
{
    std::string label;
    return counter.Next(label) ? label : std::string();
}

} // namespace

TEST(SerialCounter, PatternsAndTheNumbersTheyGive)
{
    const struct
    {
        const char* pattern;
        SerialFault fault;
        const char* first; // the first label
    } cases[] = {
        {"SN-{0001}", SerialFault::kNone, "SN-0001"},
        {"{YYYY}{MM}{DD}-{7}", SerialFault::kNone, "20261209-7"},
        {"M{YY}-{000}x", SerialFault::kNone, "M26-000x"},
        {"SN", SerialFault::kNoNumber, ""},
        {"{1}-{2}", SerialFault::kTwoNumbers, ""},
        {"SN-{Y}{1}", SerialFault::kUnknownField, ""},
        {"SN-{1", SerialFault::kUnclosed, ""},
        {"SN-1}", SerialFault::kUnclosed, ""},
        {"SN-{{1}}", SerialFault::kUnclosed, ""},
        {"SN-\t{1}", SerialFault::kNotALabel, ""},
        {"SN-{1}\r", SerialFault::kNotALabel, ""},
    };
    for (const auto& c : cases) {
        CSerialCounter counter;
        counter.SetDate({2026, 12, 9});
        SerialFault fault = SerialFault::kNone;
        EXPECT_EQ(counter.SetPattern(c.pattern, fault), c.fault == SerialFault::kNone) << c.pattern;
        EXPECT_EQ(fault, c.fault) << c.pattern;
        counter.SetDate({2026, 12, 9});
        EXPECT_TRUE(c.fault != SerialFault::kNone || NextOf(counter) == c.first) << c.pattern;
    }
    // The longest label a pattern may give, and one character more.
    CSerialCounter counter;
    SerialFault fault = SerialFault::kNone;
    EXPECT_TRUE(counter.SetPattern(std::string(55, 'L') + "{1}", fault));
    EXPECT_FALSE(counter.SetPattern(std::string(56, 'L') + "{1}", fault));
    EXPECT_EQ(fault, SerialFault::kNotALabel);
}

// It goes on after the highest number of its own form, today's: other
// forms, other days and numbers narrower than its width are not its own.
TEST(SerialCounter, ItGoesOnAfterTheHighestOfItsForm)
{
    CSerialCounter counter;
    SerialFault fault = SerialFault::kNone;
    ASSERT_TRUE(counter.SetPattern("{YYYY}-SN-{0001}", fault));
    counter.SetDate({2026, 12, 9});
    counter.ContinueAfter({"2026-SN-0041", "2026-SN-0007", "2026-SN-12345", "2025-SN-99999",
                           "2026-SN-123", "2026-SN-00099", "SN-0500", "2026-SN-0041x"});
    EXPECT_EQ(NextOf(counter), "2026-SN-12346");
    long number = 0;
    EXPECT_TRUE(counter.NumberOf("2026-SN-0042", number));
    EXPECT_EQ(number, 42);
    EXPECT_FALSE(counter.NumberOf("2026-SN-00099", number)) << "not as it writes 99";
    counter.ContinueAfter({});
    EXPECT_EQ(NextOf(counter), "2026-SN-12347");
    // The last number is given once, and then none.
    counter.ContinueAfter({"2026-SN-999999998"});
    EXPECT_EQ(NextOf(counter), "2026-SN-999999999");
    EXPECT_EQ(NextOf(counter), "") << "numbers used up";

    // Several ports drawing at once get each number once.
    CSerialCounter shared;
    ASSERT_TRUE(shared.SetPattern("SN-{1}", fault));
    std::set<std::string> drawn;
    std::mutex mutex;
    std::vector<std::thread> ports;
    for (int port = 0; port < 4; ++port)
        ports.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                const std::string label = NextOf(shared);
                const std::lock_guard<std::mutex> lock(mutex);
                drawn.insert(label);
            }
        });
    for (std::thread& port : ports)
        port.join();
    EXPECT_EQ(drawn.size(), 1000u);
    EXPECT_EQ(drawn.count("SN-1000"), 1u);
    EXPECT_EQ(drawn.count("SN-1001"), 0u);
}

// A label goes to one microphone: found done well in the log, or given in
// the run; one whose microphone failed may be given again.
TEST(LabelBook, ALabelIsGivenOnce)
{
    CLabelBook book;
    book.AddDone("SN-1", {"COM3", "2026-12-09T10:00:00+01:00", true, {}});
    CLabelUse earlier;
    EXPECT_FALSE(book.Take("SN-1", "COM4", "t", earlier));
    EXPECT_EQ(earlier.port, "COM3");
    EXPECT_TRUE(earlier.inLog);
    EXPECT_TRUE(book.Take("SN-2", "COM4", "t2", earlier));
    EXPECT_FALSE(book.Take("SN-2", "COM5", "t3", earlier));
    EXPECT_EQ(earlier.port, "COM4");
    EXPECT_FALSE(earlier.inLog);
    book.GiveBack("SN-2");
    EXPECT_TRUE(book.Take("SN-2", "COM5", "t4", earlier)) << "given back by a failure";
    book.GiveBack("SN-1");
    EXPECT_FALSE(book.Take("SN-1", "COM5", "t5", earlier)) << "the log's stays";
    book.AllowDuplicates(true);
    EXPECT_TRUE(book.Take("SN-1", "COM5", "t6", earlier));
}
