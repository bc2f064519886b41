#include "link/LowLatency.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kOtherFlags = 0x0050; // flags of the port that must survive

// A driver's serial flags: it may keep none, refuse every change, or take a
// change and drop the low-latency bit.
class CFakeSerialFlags : public ISerialFlags
{
public:
    bool Get(int& flags) override
    {
        if (!hasFlags)
            return false;
        flags = this->flags;
        return true;
    }
    bool Set(int value) override
    {
        sets.push_back(value);
        if (refuses)
            return false;
        flags = ignoresLowLatency ? (value & ~CLowLatencyRequest::kLowLatencyFlag) : value;
        return true;
    }

    bool hasFlags = true;
    bool refuses = false;
    bool ignoresLowLatency = false;
    int flags = kOtherFlags;
    std::vector<int> sets;
};

} // namespace

TEST(LowLatency, GrantedAndTheFlagsFoundComeBackAtRestore)
{
    CFakeSerialFlags port;
    CLowLatencyRequest request;
    EXPECT_EQ(request.Request(port), LowLatency::Granted);
    EXPECT_EQ(port.flags, kOtherFlags | CLowLatencyRequest::kLowLatencyFlag);

    request.Restore(port);
    EXPECT_EQ(port.flags, kOtherFlags);
    request.Restore(port);
    EXPECT_EQ(port.sets.size(), 2u) << "restored once";
}

TEST(LowLatency, AlreadyOnIsGrantedAndLeftOn)
{
    CFakeSerialFlags port;
    port.flags = kOtherFlags | CLowLatencyRequest::kLowLatencyFlag;
    CLowLatencyRequest request;
    EXPECT_EQ(request.Request(port), LowLatency::Granted);
    request.Restore(port);
    EXPECT_TRUE(port.sets.empty()) << "the port was never changed";
    EXPECT_EQ(port.flags, kOtherFlags | CLowLatencyRequest::kLowLatencyFlag);
}

TEST(LowLatency, RefusedOrIgnoredLeavesThePortAsItWas)
{
    {
        CFakeSerialFlags port;
        port.refuses = true;
        CLowLatencyRequest request;
        EXPECT_EQ(request.Request(port), LowLatency::Refused);
        request.Restore(port);
        EXPECT_EQ(port.sets.size(), 1u) << "nothing to put back after a refusal";
        EXPECT_EQ(port.flags, kOtherFlags);
    }
    {
        CFakeSerialFlags port;
        port.ignoresLowLatency = true;
        CLowLatencyRequest request;
        EXPECT_EQ(request.Request(port), LowLatency::Refused) << "taken without effect";
        EXPECT_EQ(port.flags, kOtherFlags);
    }
}

TEST(LowLatency, PortsWithoutSerialFlagsAreNotAsked)
{
    CFakeSerialFlags port;
    port.hasFlags = false;
    CLowLatencyRequest request;
    EXPECT_EQ(request.Request(port), LowLatency::NotOffered);
    request.Restore(port);
    EXPECT_TRUE(port.sets.empty());
    EXPECT_STREQ(LowLatencyText(LowLatency::NotOffered), "not offered by the port");
}
