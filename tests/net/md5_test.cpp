#include "net/md5.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(Md5, TestSuiteOfTheStandard) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(md5Hex(text), digest) << text;
}

TEST(Md5, PiecesGiveTheSameDigestAsOneUpdate) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += static_cast<char>(i * 7);
    const std::string whole = md5Hex(text);
    for (size_t step : {1u, 3u, 63u, 64u, 65u, 200u}) {
        Md5 md5;
        for (size_t at = 0; at < text.size(); at += step)
            md5.update(std::string_view(text).substr(at, step));
        auto digest = md5.finish();
        std::string hex;
        for (uint8_t b : digest) {
            static const char kDigits[] = "0123456789abcdef";
            hex += kDigits[b >> 4];
            hex += kDigits[b & 15];
        }
        EXPECT_EQ(hex, whole) << step;
    }
}

TEST(LoginToken, IsTheDigestOfTheFixedTextAndThePasswordDigest) {
    EXPECT_EQ(loginToken(""), md5Hex("Nearbeam: d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(loginToken("secret"), loginTokenFromDigest(md5Hex("secret")));
    EXPECT_EQ(loginToken("secret").size(), 32u);
}

} // namespace
} // namespace nearbeam::test
