#include "kivora/system/BigEndian.h"

#include <gtest/gtest.h>

#include <array>

using namespace kivora::system;

TEST(ByteReader, ReadsFieldsInOrderAndFailsPastTheEndWithoutReadingThere)
{
    const std::array<std::uint8_t, 15> bytes { 0x12, 0x34, 0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 1, 0, 0, 0, 2,
        0x7F };
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u16(), 0x1234);
    EXPECT_EQ(reader.u32(), 0xDEADBEEFu);
    EXPECT_EQ(reader.u64(), 0x0000000100000002ull);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.remaining(), 1u);
    // Two bytes wanted, one left: nothing is read and every later read fails as well.
    EXPECT_EQ(reader.u16(), 0);
    EXPECT_TRUE(reader.failed());
    EXPECT_EQ(reader.u8(), 0);

    ByteReader seeking(bytes);
    seeking.seek(bytes.size() + 1);
    EXPECT_TRUE(seeking.failed());
}

TEST(ByteReader, WritersAndReadersAgree)
{
    std::uint8_t b[8] {};
    writeBe64(b, 0x0102030405060708ull);
    EXPECT_EQ(readBe64(b), 0x0102030405060708ull);
    EXPECT_EQ(b[0], 1);
    writeBe16(b, 0xFFFE);
    EXPECT_EQ(readBe16(b), 0xFFFE);
}
