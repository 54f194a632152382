#include "about/system_info.h"

#include <gtest/gtest.h>

#include <set>

namespace vantrel {
namespace {

constexpr std::uint64_t kMB = 1048576;

TEST(MemInfo, LoadFromAvailableMemoryRoundedToWholePercent) {
    const auto status = ParseMemInfo("MemTotal:        1000 kB\n"
                                     "MemFree:          100 kB\n"
                                     "MemAvailable:     333 kB\n"
                                     "Buffers:           10 kB\n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->totalBytes, 1000u * 1024);
    EXPECT_EQ(status->loadPercent, 67); // 66.7 % in use
}

TEST(MemInfo, OldKernelsWithoutAvailableCountFreeBuffersAndCache) {
    const auto status = ParseMemInfo("MemTotal: 2000 kB\nMemFree: 500 kB\n"
                                     "Buffers: 100 kB\nCached: 400 kB\nSwapCached: 900 kB\n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->loadPercent, 50);
}

TEST(MemInfo, BoundsAndBadInput) {
    EXPECT_EQ(ParseMemInfo("MemTotal: 100 kB\nMemAvailable: 100 kB\n")->loadPercent, 0);
    EXPECT_EQ(ParseMemInfo("MemTotal: 100 kB\nMemAvailable: 0 kB\n")->loadPercent, 100);
    // More available than total never gives a negative load.
    EXPECT_EQ(ParseMemInfo("MemTotal: 100 kB\nMemAvailable: 500 kB\n")->loadPercent, 0);
    EXPECT_FALSE(ParseMemInfo(""));
    EXPECT_FALSE(ParseMemInfo("MemFree: 100 kB\n"));
    EXPECT_FALSE(ParseMemInfo("MemTotal: 0 kB\n"));
    EXPECT_FALSE(ParseMemInfo("MemTotal: lots kB\n"));
    // A line without a unit is taken in bytes; junk lines are passed over.
    const auto status = ParseMemInfo("junk\nMemTotal: 4096\n: 7\nMemAvailable: x kB\n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->totalBytes, 4096u);
}

TEST(MemInfo, ThisMachineAnswers) {
    const MemoryStatus status = QueryMemoryStatus();
    EXPECT_GT(status.totalBytes, 16u * kMB);
    EXPECT_GE(status.loadPercent, 0);
    EXPECT_LE(status.loadPercent, 100);
}

TEST(MemoryTotal, OneIsAddedThenRoundedHalfAwayFromZero) {
    // 255.6 MB + 1 = 256.6 -> 257
    EXPECT_EQ(TotalMemoryMegabytes(255 * kMB + kMB * 6 / 10), 257u);
    EXPECT_EQ(TotalMemoryMegabytes(255 * kMB + kMB / 2), 257u);     // 256.5 -> 257
    EXPECT_EQ(TotalMemoryMegabytes(255 * kMB + kMB / 2 - 1), 256u); // just below the half
    EXPECT_EQ(TotalMemoryMegabytes(256 * kMB), 257u);
    EXPECT_EQ(TotalMemoryMegabytes(0), 1u);
    // No overflow at the top of the range.
    EXPECT_EQ(TotalMemoryMegabytes(UINT64_MAX), UINT64_MAX / kMB + 2);
}

TEST(MemoryTotal, DigitsGroupedInThreesFromTheRight) {
    EXPECT_EQ(GroupThousands(0, " "), "0");
    EXPECT_EQ(GroupThousands(999, " "), "999");
    EXPECT_EQ(GroupThousands(1000, " "), "1 000");
    EXPECT_EQ(GroupThousands(24106, ","), "24,106");
    EXPECT_EQ(GroupThousands(1234567, "\u00A0"), "1\u00A0234\u00A0567");
    EXPECT_EQ(GroupThousands(100000, "."), "100.000");
}

TEST(MemoryTotal, LabelTexts) {
    EXPECT_EQ(MemoryTotalText(255 * kMB + kMB * 6 / 10, " "), "Всего физической памяти -  257 MB");
    EXPECT_EQ(MemoryTotalText(24105 * kMB + kMB / 4, "\u00A0"),
              "Всего физической памяти -  24\u00A0106 MB");
    EXPECT_EQ(MemoryLoadText(42), "Память используется на 42 %");
    EXPECT_EQ(MemoryLoadText(0), "Память используется на 0 %");
}

constexpr const char* kIpv4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

std::function<bool(const std::string&)> upSet(std::set<std::string> up) {
    return [up](const std::string& name) { return up.contains(name); };
}

TEST(Connection, Ipv4DefaultRouteThroughAnInterfaceThatIsUp) {
    const std::string table = std::string(kIpv4Header) +
                              "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                              "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
    EXPECT_TRUE(HasDefaultRoute(table, "", upSet({"eth0"})));
    EXPECT_FALSE(HasDefaultRoute(table, "", upSet({})));
    EXPECT_FALSE(HasDefaultRoute(table, "", upSet({"wlan0"})));
}

TEST(Connection, Ipv4RoutesThatDoNotCount) {
    const auto up = upSet({"eth0", "lo"});
    // Only a subnet route.
    EXPECT_FALSE(HasDefaultRoute(std::string(kIpv4Header) +
                                     "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n",
                                 "", up));
    // Default route not up, a reject route, a loopback one.
    EXPECT_FALSE(HasDefaultRoute(std::string(kIpv4Header) +
                                     "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
                                     "eth0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n"
                                     "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n",
                                 "", up));
    // The header alone, nothing, a torn line, bad flags.
    EXPECT_FALSE(HasDefaultRoute(kIpv4Header, "", up));
    EXPECT_FALSE(HasDefaultRoute("", "", up));
    EXPECT_FALSE(HasDefaultRoute(std::string(kIpv4Header) + "eth0\t00000000\t0\n", "", up));
    EXPECT_FALSE(HasDefaultRoute(std::string(kIpv4Header) +
                                     "eth0\t00000000\t010200C0\tzz\t0\t0\t0\t00000000\t0\t0\t0\n",
                                 "", up));
    // A default route in the first line is the header, not a route.
    EXPECT_FALSE(HasDefaultRoute("eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n", "", up));
}

TEST(Connection, Ipv6DefaultRoute) {
    const auto up = upSet({"eth0", "lo"});
    const std::string zeros(32, '0');
    auto line = [&](const std::string& destination, const char* prefix, const char* flags,
                    const char* name) {
        return destination + " " + prefix + " " + zeros +
               " 00 fd000000000000000000000000000001 "
               "00000400 00000002 00000000 " +
               flags + "     " + name + "\n";
    };
    EXPECT_TRUE(HasDefaultRoute("", line(zeros, "00", "00000003", "eth0"), up));
    // The kernel's unreachable default on lo, a reject route, a /64 route.
    EXPECT_FALSE(HasDefaultRoute("", line(zeros, "00", "00200200", "lo"), up));
    EXPECT_FALSE(HasDefaultRoute("", line(zeros, "00", "00000201", "eth0"), up));
    EXPECT_FALSE(HasDefaultRoute(
        "", line("fd000000000000000000000000000000", "40", "00000001", "eth0"), up));
    EXPECT_FALSE(HasDefaultRoute("", line(zeros, "00", "00000003", "eth1"), up));
}

TEST(Connection, InterfaceChecksRefuseLoopbackAndOddNames) {
    EXPECT_FALSE(InterfaceUp("lo"));
    EXPECT_FALSE(InterfaceUp(""));
    EXPECT_FALSE(InterfaceUp(".."));
    EXPECT_FALSE(InterfaceUp("../lo"));
    EXPECT_FALSE(InterfaceUp("no-such-interface0"));
}

} // namespace
} // namespace vantrel
