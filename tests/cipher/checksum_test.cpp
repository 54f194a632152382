#include "cipher/checksum.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(Checksum32, KnownValues) {
    EXPECT_EQ(Checksum32("abc"), 0xCA6598D0u);
    EXPECT_EQ(Checksum32("123456789"), 0x2DFD2D88u);
    EXPECT_EQ(Checksum32(""), 0u);
}

TEST(Checksum32, IsNotTheInvertedZlibVariant) {
    // The standard CRC-32 of "123456789" is CBF43926; ours has no inversions.
    EXPECT_NE(Checksum32("123456789"), 0xCBF43926u);
}

} // namespace
} // namespace vantrel
