#include "model/ValueEncoding.h"

#include "common/Exception.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<uint8_t> Encode(const std::function<void(TStream&)>& write)
{
    TMemoryStream s;
    write(s);
    return s.Data();
}

TEST(ValueEncoding, IntegersUseTheSmallestTag)
{
    auto i = [](int32_t v) { return Encode([v](TStream& s) { StreamWriteInteger(s, v); }); };
    EXPECT_EQ(i(127), Bytes({0x02, 0x7F}));
    EXPECT_EQ(i(128), Bytes({0x03, 0x80, 0x00}));
    EXPECT_EQ(i(-129), Bytes({0x03, 0x7F, 0xFF}));
    EXPECT_EQ(i(32768), Bytes({0x04, 0x00, 0x80, 0x00, 0x00}));
    EXPECT_EQ(i(-1), Bytes({0x02, 0xFF}));
    EXPECT_EQ(i(int32_t(0xFFFFFFFEu)), Bytes({0x02, 0xFE})); // a DWORD keeps its bits
    for (int32_t v : {0, -128, 127, -32768, 32767, INT32_MIN, INT32_MAX, 100000}) {
        TMemoryStream s(i(v));
        EXPECT_EQ(StreamReadInteger(s), v);
        EXPECT_EQ(s.Remaining(), 0u);
    }
}

TEST(ValueEncoding, Strings)
{
    auto str = [](const std::string& t) { return Encode([&t](TStream& s) { StreamWriteString(s, t); }); };
    EXPECT_EQ(str("abc"), Bytes({0x06, 0x03, 0x61, 0x62, 0x63}));
    EXPECT_EQ(str(""), Bytes({0x06, 0x00}));
    auto longText = str(std::string(256, 'x'));
    ASSERT_EQ(longText.size(), 5u + 256u);
    EXPECT_EQ(std::vector<uint8_t>(longText.begin(), longText.begin() + 5), Bytes({0x0C, 0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(str(std::string(255, 'x'))[0], 0x06);
    EXPECT_EQ(str("\xE9"), Bytes({0x14, 0x02, 0x00, 0x00, 0x00, 0xC3, 0xA9}));

    for (std::string t : {std::string(""), std::string("abc"), std::string(300, 'q'), std::string("Caf\xE9 \x80")}) {
        TMemoryStream s(str(t));
        EXPECT_EQ(StreamReadString(s), t);
        EXPECT_EQ(s.Remaining(), 0u);
    }
}

TEST(ValueEncoding, StringsFromOtherWritersAreConvertedToTheCodePage)
{
    // tag 18: UTF-16LE "é€" and a character outside the code page
    TMemoryStream wide(Bytes({0x12, 0x03, 0, 0, 0, 0xE9, 0x00, 0xAC, 0x20, 0x2D, 0x4E}));
    EXPECT_EQ(StreamReadString(wide), "\xE9\x80?");
    // tag 12 holds bytes as they stand
    TMemoryStream plain(Bytes({0x0C, 0x02, 0, 0, 0, 0xE9, 0x41}));
    EXPECT_EQ(StreamReadString(plain),
              "\xE9"
              "A");
}

TEST(ValueEncoding, BooleansAndSets)
{
    EXPECT_EQ(Encode([](TStream& s) { StreamWriteBoolean(s, true); }), Bytes({0x09}));
    EXPECT_EQ(Encode([](TStream& s) { StreamWriteBoolean(s, false); }), Bytes({0x08}));
    TMemoryStream other(Bytes({0x02, 0x09}));
    EXPECT_FALSE(StreamReadBoolean(other)); // any tag but 9 is false and only the tag is consumed
    EXPECT_EQ(other.Position(), 1u);
    EXPECT_TRUE(StreamReadBoolean(other));

    EXPECT_EQ(Encode([](TStream& s) {
                  StreamWritePlatforms(s, TPlatforms{plHPC, plPPC300});
              }),
              Bytes({0x02, 0x02, 0x02, 0x00, 0x02, 0x04}));
    EXPECT_EQ(Encode([](TStream& s) { StreamWritePlatforms(s, TPlatforms{}); }), Bytes({0x02, 0x00}));

    // Members above 15 add nothing; a member's low byte is what counts.
    TMemoryStream s(Bytes({0x02, 0x03, 0x02, 0x10, 0x03, 0x01, 0x01, 0x02, 0x07}));
    EXPECT_EQ(StreamReadPlatforms(s), (TPlatforms{plHPCPro, plWM2003}));
    TMemoryStream negative(Bytes({0x02, 0xFF}));
    EXPECT_TRUE(StreamReadPlatforms(negative).Empty());
}

TEST(ValueEncoding, UnexpectedTagsAreInvalid)
{
    TMemoryStream s1(Bytes({0x06, 0x00}));
    EXPECT_EQ(ErrorOf([&] { StreamReadInteger(s1); }), "Invalid property value");
    TMemoryStream s2(Bytes({0x02, 0x00}));
    EXPECT_EQ(ErrorOf([&] { StreamReadString(s2); }), "Invalid property value");
    TMemoryStream s3(Bytes({0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ErrorOf([&] { StreamReadInteger(s3); }), "Invalid property value");
}

TEST(ValueEncoding, EveryCutOfEveryValueIsAReadError)
{
    std::vector<std::function<void(TStream&)>> writers = {
        [](TStream& s) { StreamWriteInteger(s, 100000); },
        [](TStream& s) { StreamWriteInteger(s, 1000); },
        [](TStream& s) { StreamWriteString(s, "hello"); },
        [](TStream& s) { StreamWriteString(s, std::string(400, 'a')); },
        [](TStream& s) { StreamWriteString(s, "caf\xE9"); },
        [](TStream& s) { StreamWritePlatforms(s, AllPlatforms); },
    };
    // clang-format off
    std::vector<std::function<void(TStream&)>> readers = {
        [](TStream& s) { StreamReadInteger(s); },
        [](TStream& s) { StreamReadInteger(s); },
        [](TStream& s) { StreamReadString(s); },
        [](TStream& s) { StreamReadString(s); },
        [](TStream& s) { StreamReadString(s); },
        [](TStream& s) { StreamReadPlatforms(s); },
    };
    // clang-format on
    for (size_t w = 0; w < writers.size(); ++w) {
        auto full = Encode(writers[w]);
        for (size_t cut = 0; cut < full.size(); ++cut) {
            TMemoryStream s(std::vector<uint8_t>(full.begin(), full.begin() + cut));
            EXPECT_EQ(ErrorOf([&] { readers[w](s); }), "Stream read error") << "value " << w << " cut at " << cut;
        }
    }
    TMemoryStream empty;
    EXPECT_EQ(ErrorOf([&] { StreamReadBoolean(empty); }), "Stream read error");
}

TEST(ValueEncoding, HugeLengthFieldsFailWithoutAllocating)
{
    // 4 GiB of string, 2 x 4 GiB of UTF-16: both claim far more than the stream holds.
    TMemoryStream s1(Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}));
    EXPECT_EQ(ErrorOf([&] { StreamReadString(s1); }), "Stream read error");
    TMemoryStream s2(Bytes({0x12, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}));
    EXPECT_EQ(ErrorOf([&] { StreamReadString(s2); }), "Stream read error");
    TMemoryStream s3(Bytes({0x14, 0x00, 0x00, 0x00, 0x80}));
    EXPECT_EQ(ErrorOf([&] { StreamReadString(s3); }), "Stream read error");
}

}
