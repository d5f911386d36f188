#include "base/cp1252.h"

#include <gtest/gtest.h>

namespace tonvarra {
namespace {

TEST(Cp1252, EveryByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const auto back = Utf8ToCp1252(Cp1252ToUtf8(all));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, all);
}

TEST(Cp1252, ConvertsTheSettingsFileCharacters) {
    struct Case {
        std::string_view cp1252;
        std::string_view utf8;
    };
    const Case cases[] = {
        {"Lautst\xE4rke", "Lautstärke"},
        {"#\xFC#\xF6#", "#ü#ö#"},
        {"#0#\xC4#", "#0#Ä#"},
        {"\x80 \x9F", "€ Ÿ"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
        EXPECT_EQ(Utf8ToCp1252(c.utf8), std::string(c.cp1252));
    }
}

TEST(Cp1252, RefusesWhatItCannotHold) {
    for (std::string_view text : {"日本", "\xF0\x9F\x8E\xB9", "\xC3", "\xC0\x80", "\xFF"}) {
        EXPECT_FALSE(Utf8ToCp1252(text)) << text;
    }
}

} // namespace
} // namespace tonvarra
