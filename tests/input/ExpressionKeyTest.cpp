#include "ExpressionKey.h"

#include <gtest/gtest.h>

TEST(ExpressionKey, RangeTestsIncludeOrExcludeTheirMarkers) {
    EXPECT_TRUE(IsNumberKey(ekNumberStart));
    EXPECT_TRUE(IsNumberKey(ekNumberEnd));
    EXPECT_TRUE(IsOperatorKey(ekOperatorStart));
    EXPECT_TRUE(IsOperatorKey(ekOperatorEnd));
    EXPECT_FALSE(IsPowerKey(ekPowerStart));
    EXPECT_FALSE(IsPowerKey(ekPowerEnd));
    EXPECT_FALSE(IsFunctionKey(ekFunctionStart));
    EXPECT_FALSE(IsFunctionKey(ekFunctionEnd));
    EXPECT_FALSE(IsVariableKey(ekVariableStart));
    EXPECT_FALSE(IsVariableKey(ekVariableEnd));
}

TEST(ExpressionKey, RangeMembership) {
    struct Case {
        TExpressionKey key;
        bool number, op, sign, power, function, variable;
    };
    const Case cases[] = {
        {ek0, true, false, false, false, false, false},
        {ekHexF, true, false, false, false, false, false},
        {ekE, true, false, false, false, false, false},
        {ekMultiPriority2, false, true, false, false, false, false},
        {ekPlus, false, false, true, false, false, false},
        {ekAdd, false, true, false, false, false, false},
        {ekReciprocal, false, false, false, true, false, false},
        {ekFactorial, false, false, false, false, false, false},
        {ekVariable, false, false, false, false, true, false},
        {ekBin, false, false, false, false, true, false},
        {ekPi, false, false, false, false, false, true},
        {ekVarGTCount, false, false, false, false, false, true},
        {ekLParen, false, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.key));
        EXPECT_EQ(IsNumberKey(c.key), c.number);
        EXPECT_EQ(IsOperatorKey(c.key), c.op);
        EXPECT_EQ(IsSignKey(c.key), c.sign);
        EXPECT_EQ(IsPowerKey(c.key), c.power);
        EXPECT_EQ(IsFunctionKey(c.key), c.function);
        EXPECT_EQ(IsVariableKey(c.key), c.variable);
        EXPECT_EQ(IsFunctionOrVariableKey(c.key), c.function || c.variable);
    }
    EXPECT_TRUE(IsDecimalKey(ekDot));
    EXPECT_FALSE(IsDigitKey(ekDot));
    EXPECT_FALSE(IsDecimalKey(ekE));
}

TEST(ExpressionKey, KeyToText) {
    struct Case {
        TExpressionKey key;
        const char16_t* text;
    };
    const Case cases[] = {
        {ek7, u"7"},
        {ekHexE, u"E"},
        {ekE, u"E"},
        {ekDot, u"."},
        {ekStoA, u" \u2192 A"},
        {ekStoGT, u""},
        {ekStoUserConst4, u" \u2192 k4"},
        {ekArcSin, u"sin"},
        {ekArcCosH, u"cosh"},
        {ekSquare, u"2"},
        {ekReciprocal, u"-1"},
        {ekMulti, u"\u00D7"},
        {ekDiv, u"\u00F7"},
        {ekPi, u"\u03C0"},
        {ekDms, u"\u00B0"},
        {ekPowerRoot, u"\u221A"},
        {ekSqrt, u"\u221A"},
        {ekPol, u"Pol("},
        {ekLogE, u"loge"},
        {ekVarGTCount, u"GTCount"},
        {ekMinus, u"-"},
        {ekEnd, u""},
        {ekNumber, u""},
        {ekVariable, u""},
        {ekMultiPriority1, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyToText(c.key), QString::fromUtf16(c.text)) << int(c.key);
}
