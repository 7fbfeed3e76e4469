#include "IntegerText.h"

#include <gtest/gtest.h>

TEST(IntegerText, ReadsDecimalAndHexadecimal) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"3", true, 3},
        {"  -12", true, -12},
        {"+7", true, 7},
        {"$1F", true, 31},
        {"0x1f", true, 31},
        {"0XFFFFFFFF", true, -1},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"$100000000", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {"  ", false, 0},
        {"-", false, 0},
        {"3.5", false, 0},
        {"abc", false, 0},
        {"3 ", false, 0},
        {"0x", false, 0},
        {"$", false, 0},
        {"1e3", false, 0},
    };
    for (const auto& c : cases) {
        int v = 12345;
        EXPECT_EQ(TextToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}
