#include "cipher/memory_stream.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(MemoryStream, ReadsAndWritesAtThePosition) {
    MemoryStream stream;
    EXPECT_EQ(stream.write("hello", 5), 5u);
    EXPECT_EQ(stream.position(), 5u);
    stream.setPosition(1);
    EXPECT_EQ(stream.write("EL", 2), 2u);
    EXPECT_EQ(stream.bytes(), "hELlo");
    stream.setPosition(3);
    char buffer[8] = {};
    EXPECT_EQ(stream.read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "lo");
    EXPECT_EQ(stream.position(), 5u);
    EXPECT_EQ(stream.read(buffer, sizeof buffer), 0u);
}

TEST(MemoryStream, WritingPastTheEndExtendsWithZeros) {
    MemoryStream stream(std::string("ab"));
    stream.setPosition(4);
    stream.write("z", 1);
    EXPECT_EQ(stream.bytes(), std::string("ab\0\0z", 5));
}

TEST(MemoryStream, ClearAndLoadFromResetThePosition) {
    MemoryStream a(std::string("content"));
    a.setPosition(3);
    MemoryStream b;
    b.loadFrom(a);
    EXPECT_EQ(b.bytes(), "content");
    EXPECT_EQ(b.position(), 0u);
    b.loadFrom(MemoryStream(std::string("moved")));
    EXPECT_EQ(b.bytes(), "moved");
    a.clear();
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(a.position(), 0u);
}

} // namespace
} // namespace vantrel
