#include "JsonOut.h"

#include <string>

#include <gtest/gtest.h>

TEST(JsonOut, StringsEscapeEveryByteThatNeedsItWhereverItStands) {
    const std::string plain = "0123456789abcdefghij"; // spans two 8-byte steps
    const std::pair<std::string, std::string> specials[] = {
        {"\"", "\\\""},   {"\\", "\\\\"},      {"\n", "\\u000a"}, {std::string(1, '\0'), "\\u0000"},
        {"\x7F", "\x7F"}, {"\xE9", "\xC3\xA9"}};
    for (const auto& [byte, written] : specials)
        for (size_t at = 0; at <= plain.size(); ++at) {
            std::string out;
            JsonOut::AppendString(out, plain.substr(0, at) + byte + plain.substr(at));
            EXPECT_EQ(out, '"' + plain.substr(0, at) + written + plain.substr(at) + '"') << at;
        }
}
