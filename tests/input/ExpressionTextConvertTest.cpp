#include "ExpressionTextConvert.h"

#include "VariableDictionary.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct Result {
    bool ok;
    TKeyList keys;
    int errorIndex;
    TTextRange errorRange;
    TKeySourceList sources;
};

Result Convert(const QString& text, const TVariableDictionary* store) {
    TKeyList keys;
    TKeySourceList sources;
    TExpressionTextConvert c;
    c.SetKeyList(&keys);
    c.SetKeySourceList(&sources);
    c.SetVariableDictionary(store);
    const bool ok = c.Convert(text);
    return {ok, keys, c.ErrorIndex(), c.ErrorRange(), sources};
}

// Ranges as "start+length", one for each key.
std::string Places(const TKeySourceList& sources) {
    std::string s;
    for (const TTextRange& r : sources)
        s += (s.empty() ? "" : " ") + std::to_string(r.Start) + "+" + std::to_string(r.Length);
    return s;
}

std::string Show(const char16_t* text) {
    return QString::fromUtf16(text).toStdString();
}

// The keys of a variable with a two-digit number.
TKeyList Var(TExpressionKey tens, TExpressionKey units) {
    return {ekVariable, ekLParen, tens, units, ekRParen};
}

// A store in which RATE has the two-digit number 12 (twelve fillers come first).
class ExpressionTextConvertStore : public ::testing::Test {
protected:
    ExpressionTextConvertStore() {
        for (int i = 0; i < 12; ++i)
            store.AddOrSetValue(QStringLiteral("FILL") + QString::number(i), i);
        const char16_t* names[] = {
            u"rate",             // 12
            u"X",                // 13
            u"SINX",             // 14
            u"\u30AC",           // 15, full-width katakana GA, kept as two half-width units
            u"\U00020BB7\u7530", // 16, a kanji outside the basic plane, then another
            u"RATE2.5",          // 17
            u"[C]",              // 18
            u"A",                // 19
        };
        for (const char16_t* n : names)
            store.AddOrSetValue(QString::fromUtf16(n), 1);
    }
    TVariableDictionary store;
};

} // namespace

// What each word means is pinned where it is evaluated; here every word of the
// dictionary must be reachable as typed, in any case and width.
TEST(ExpressionTextConvert, EveryFunctionWordReadsAsItsKeyInAnyCaseAndWidth) {
    const auto table = CreateFunctionDictionary();
    ASSERT_FALSE(table.isEmpty());
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        QString wide;
        for (const QChar c : it.key())
            wide += c.unicode() > 0x20 && c.unicode() < 0x7F ? QChar(c.unicode() + 0xFEE0) : c;
        for (const QString& typed : {it.key(), it.key().toLower(), wide}) {
            const Result r = Convert(typed, nullptr);
            EXPECT_TRUE(r.ok) << typed.toStdString();
            EXPECT_EQ(r.keys, TKeyList{it.value()}) << typed.toStdString();
        }
    }
}

TEST(ExpressionTextConvert, EveryCallerGetsItsOwnFunctionDictionary) {
    const auto fresh = CreateFunctionDictionary();
    auto mine = CreateFunctionDictionary();
    mine.remove(QStringLiteral("SIN"));
    mine.insert(QStringLiteral("Y"), ekVarY);

    EXPECT_EQ(CreateFunctionDictionary(), fresh);
    const Result r = Convert(QStringLiteral("SIN(Y)"), nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorIndex, 4);
    EXPECT_EQ(r.keys, (TKeyList{ekSin, ekLParen}));
}

TEST_F(ExpressionTextConvertStore, TextsBecomeKeys) {
    struct Case {
        const char16_t* text;
        TKeyList keys;
    };
    const Case cases[] = {
        {u"1+2", {ek1, ekAdd, ek2}},
        {u"\uFF11\uFF0B\uFF12", {ek1, ekAdd, ek2}},
        {u"3 \u00D7 ( 4 \u30FC 1 )", {ek3, ekMulti, ekLParen, ek4, ekSub, ek1, ekRParen}},
        {u"8\u00F72\uFF701\u20150", {ek8, ekDiv, ek2, ekSub, ek1, ekSub, ek0}},
        {u"sin(30)", {ekSin, ekLParen, ek3, ek0, ekRParen}},
        {u"\uFF33\uFF49\uFF2E\uFF08\uFF13\uFF10\uFF09", {ekSin, ekLParen, ek3, ek0, ekRParen}},
        {u"2\u03C0", {ek2, ekPi}},
        {u"2PI", {ek2, ekPi}},
        {u"2pI", {ek2, ekPi}},
        {u"\u221A2", {ekSqrt, ek2}},
        {u"sqrt 2", {ekSqrt, ek2}},
        {u"3\u00B2+2\u00B3", {ek3, ekSquare, ekAdd, ek2, ekCube}},
        {u"5!", {ek5, ekFactorial}},
        {u"2^10", {ek2, ekPower, ek1, ek0}},
        {u"\uFF12\uFF3E\uFF13", {ek2, ekPower, ek3}},
        {u"1e-5", {ek1, ekE, ekSub, ek5}},
        {u"12.5E3", {ek1, ek2, ekDot, ek5, ekE, ek3}},
        {u"1.2.3", {ek1, ekDot, ek2, ekDot, ek3}},
        {u"EXP(1)", {ekExp, ekLParen, ek1, ekRParen}},
        {u"LOG2(8)", {ekLog10, ek2, ekLParen, ek8, ekRParen}},
        {u"loge(2)", {ekLn, ekLParen, ek2, ekRParen}},
        {u"LogXY(2,8)", {ekLogXY, ekLParen, ek2, ekComma, ek8, ekRParen}},
        {u"roundoff(ln 2,3)", {ekRoundOff, ekLParen, ekLn, ek2, ekComma, ek3, ekRParen}},
        {u"Ans+PreAns*M-GT/MCount,GTCount",
         {ekAns, ekAdd, ekPreAns, ekMulti, ekVarM, ekSub, ekVarGT, ekDiv, ekVarMCount, ekComma,
          ekVarGTCount}},
        // only the letters are looked up as a function word
        {u"SIN30", {ekSin, ek3, ek0}},
        {u"M1", {ekVarM, ek1}},
        {u"HEX(1F)", {ekHex, ekLParen, ek1, ekHexF, ekRParen}},
        {u"HEX FF", {ekHex, ekHexF, ekHexF}},
        {u"hex(a b)+1", {ekHex, ekLParen, ekHexA, ekHexB, ekRParen, ekAdd, ek1}},
        {u"\uFF48\uFF45\uFF58\uFF08\uFF43\uFF09", {ekHex, ekLParen, ekHexC, ekRParen}},
        {u"BIN(101)", {ekBin, ekLParen, ek1, ek0, ek1, ekRParen}},
        {u"(1))", {ekLParen, ek1, ekRParen, ekRParen}},
        {u"*+", {ekMulti, ekAdd}},
        {u"   ", {}},
        {u"\u3000 \u3000", {}},
        {u"rate*2", Var(ek1, ek2) + TKeyList{ekMulti, ek2}},
        {u"\uFF32\uFF41\uFF34\uFF45", Var(ek1, ek2)},
        {u"RATE2.5", Var(ek1, ek7)},
        {u"SINX", Var(ek1, ek4)},
        {u"SIN X", TKeyList{ekSin} + Var(ek1, ek3)},
        {u"\u30AC*2", Var(ek1, ek5) + TKeyList{ekMulti, ek2}},
        {u"2\U00020BB7\u7530", TKeyList{ek2} + Var(ek1, ek6)},
        {u"[C]", Var(ek1, ek8)},
        {u"a", Var(ek1, ek9)},
    };
    for (const auto& c : cases) {
        const Result r = Convert(QString::fromUtf16(c.text), &store);
        EXPECT_TRUE(r.ok) << Show(c.text) << " failed at " << r.errorIndex;
        EXPECT_EQ(r.errorIndex, 0) << Show(c.text);
        EXPECT_EQ(r.keys, c.keys) << Show(c.text);
    }
}

TEST_F(ExpressionTextConvertStore, FailureStopsAtTheFirstCharacterThatMakesNoKey) {
    struct Case {
        const char16_t* text;
        int errorIndex;
        TKeyList keys;
        TTextRange range; // in the typed text: the character, or the whole name
    };
    const Case cases[] = {
        {u"1+XYZ*2", 2, {ek1, ekAdd}, {2, 3}},
        {u"2#3", 1, {ek2}, {1, 1}},
        {u"1%", 1, {ek1}, {1, 1}},
        {u"1=2", 1, {ek1}, {1, 1}},
        {u"1>2", 1, {ek1}, {1, 1}},
        {u"1]", 1, {ek1}, {1, 1}},
        {u"1\u20142", 1, {ek1}, {1, 1}}, // an em dash is no minus
        {u"1\u30022", 1, {ek1}, {1, 1}}, // ideographic full stop
        {u"SIN#", 3, {ekSin}, {3, 1}},
        {u"0x1F", 1, {ek0}, {1, 3}}, // the name X1F
        {u"HEXFF", 0, {}, {0, 5}},   // one name, no hexadecimal number
        {u"1FH", 1, {ek1}, {1, 2}},
        {u"2\u03C0\u03C0", 1, {ek2}, {1, 2}}, // the letters run on into one name
        {u"[D]", 0, {}, {0, 3}},
        {u"[", 0, {}, {0, 1}},
        {u"SIN(Q", 4, {ekSin, ekLParen}, {4, 1}},
        {u"A\u00A7", 0, {}, {0, 2}},                // a Latin-1 sign goes on with the name
        {u"A\u0378", 1, Var(ek1, ek9), {1, 1}},     // an unassigned code point ends it
        {u"1+\xD800", 2, {ek1, ekAdd}, {2, 1}},     // a lone surrogate
        {u"1+\U0001F600", 2, {ek1, ekAdd}, {2, 2}}, // a pair of surrogates fails as one character
        // positions count the normalised text, where GA takes two code units;
        // the range is in the typed text, where it takes one
        {u"\u30AC+#", 3, Var(ek1, ek5) + TKeyList{ekAdd}, {2, 1}},
        {u"\u30AC+\uFF38\uFF39", 3, Var(ek1, ek5) + TKeyList{ekAdd}, {2, 2}},
        {u"\uFF11\uFF0B\uFF03", 2, {ek1, ekAdd}, {2, 1}},
    };
    for (const auto& c : cases) {
        const Result r = Convert(QString::fromUtf16(c.text), &store);
        EXPECT_FALSE(r.ok) << Show(c.text);
        EXPECT_EQ(r.errorIndex, c.errorIndex) << Show(c.text);
        EXPECT_EQ(r.keys, c.keys) << Show(c.text);
        EXPECT_EQ(Places({r.errorRange}), Places({c.range})) << Show(c.text);
        EXPECT_EQ(r.sources.size(), r.keys.size()) << Show(c.text);
    }
}

TEST_F(ExpressionTextConvertStore, EachKeyKeepsTheTypedTextItCameFrom) {
    struct Case {
        const char16_t* text;
        const char* places; // start+length of each key, in the typed text
    };
    const Case cases[] = {
        {u"12+3", "0+1 1+1 2+1 3+1"},
        {u"\uFF11\uFF12\uFF0B\uFF13", "0+1 1+1 2+1 3+1"},
        {u" 1 +  2", "1+1 3+1 6+1"},
        {u"\u221A9\u00D73\u00B2", "0+1 1+1 2+1 3+1 4+1"},
        {u"8\u00F72\u30FC1\u22121", "0+1 1+1 2+1 3+1 4+1 5+1 6+1"},
        {u"sin(30)", "0+3 3+1 4+1 5+1 6+1"},
        {u"\uFF53\uFF49\uFF4E\uFF08\uFF13\uFF10\uFF09", "0+3 3+1 4+1 5+1 6+1"},
        {u"SIN30", "0+3 3+1 4+1"},
        {u"2PI", "0+1 1+2"},
        {u"1e-5", "0+1 1+1 2+1 3+1"},
        {u"HEX (1F)", "0+3 4+1 5+1 6+1 7+1"},
        // the keys of a variable all stand for its name
        {u"rate*2", "0+4 0+4 0+4 0+4 0+4 4+1 5+1"},
        {u"SIN X", "0+3 4+1 4+1 4+1 4+1 4+1"},
        // GA folds to two code units: what follows it is found where it was typed
        {u"\u30AC*2", "0+1 0+1 0+1 0+1 0+1 1+1 2+1"},
        {u"2\U00020BB7\u7530", "0+1 1+3 1+3 1+3 1+3 1+3"},
    };
    for (const auto& c : cases) {
        const Result r = Convert(QString::fromUtf16(c.text), &store);
        EXPECT_TRUE(r.ok) << Show(c.text);
        EXPECT_EQ(Places(r.sources), c.places) << Show(c.text);
        EXPECT_EQ(Places({r.errorRange}), "0+0") << Show(c.text);
    }

    // a refused text leaves the list alone, like the key list
    TKeyList keys;
    TKeySourceList sources{{7, 7}};
    TExpressionTextConvert c;
    c.SetKeyList(&keys);
    c.SetKeySourceList(&sources);
    EXPECT_FALSE(c.Convert(QString()));
    EXPECT_EQ(Places(sources), "7+7");
    EXPECT_EQ(Places({c.ErrorRange()}), "0+0");
}

TEST(ExpressionTextConvert, ExponentLetterYieldsToVariables) {
    TVariableDictionary none;
    TVariableDictionary e3;
    e3.AddOrSetValue("E3", 1);
    TVariableDictionary e;
    e.AddOrSetValue("e", 1);
    e.AddOrSetValue("EXP", 1);
    const TKeyList var0{ekVariable, ekLParen, ek0, ekRParen};

    struct Case {
        const TVariableDictionary* store;
        const char16_t* text;
        TKeyList keys;
    };
    const Case cases[] = {
        {&none, u"2E3", {ek2, ekE, ek3}},
        {&none, u"2e-3", {ek2, ekE, ekSub, ek3}},
        {&none, u"EE", {ekE, ekE}},
        {nullptr, u"2E3", {ek2, ekE, ek3}},
        {&e3, u"2E3", TKeyList{ek2} + var0},
        {&e3, u"2E-3", {ek2, ekE, ekSub, ek3}},
        {&e, u"2E-3", TKeyList{ek2} + var0 + TKeyList{ekSub, ek3}},
        {&e, u"EXP(1)", {ekExp, ekLParen, ek1, ekRParen}}, // function words come first
    };
    for (const auto& c : cases) {
        const Result r = Convert(QString::fromUtf16(c.text), c.store);
        EXPECT_TRUE(r.ok) << Show(c.text);
        EXPECT_EQ(r.keys, c.keys) << Show(c.text);
    }
}

TEST(ExpressionTextConvert, WithoutVariableStoreEveryOtherNameIsUnknown) {
    const Result name = Convert(QStringLiteral("1+A"), nullptr);
    EXPECT_FALSE(name.ok);
    EXPECT_EQ(name.errorIndex, 2);
    EXPECT_EQ(name.keys, (TKeyList{ek1, ekAdd}));

    const Result word = Convert(QStringLiteral("cos(PI)"), nullptr);
    EXPECT_TRUE(word.ok);
    EXPECT_EQ(word.keys, (TKeyList{ekCos, ekLParen, ekPi, ekRParen}));
}

TEST_F(ExpressionTextConvertStore, VariableCalculationModeCollectsNames) {
    struct Case {
        const char16_t* text;
        bool ok;
        QStringList names;
        TKeyList keys;
    };
    const Case cases[] = {
        // known variables are collected too: the store is not asked
        {u"A*B+[C]+a", true, {"A", "B", "[C]", "A"}, {ekMulti, ekAdd, ekAdd}},
        {u"2E3", true, {"E3"}, {ek2}},
        {u"2E-3", true, {"E"}, {ek2, ekSub, ek3}},
        {u"SIN(X)+HEX(FF)*ANS",
         true,
         {"X"},
         {ekSin, ekLParen, ekRParen, ekAdd, ekHex, ekLParen, ekHexF, ekHexF, ekRParen, ekMulti, ekAns}},
        {u"\uFF52\uFF41\uFF54\uFF45 2.5", true, {"RATE"}, {ek2, ekDot, ek5}},
        {u"[SIN]", true, {"[SIN]"}, {}},
        // a closing bracket keeps the letters before it from being a function word
        {u"2PI]", true, {"PI]"}, {ek2}},
        {u"A+1#", false, {"A"}, {ekAdd, ek1}},
    };
    for (const auto& c : cases) {
        TKeyList keys;
        QStringList names;
        TExpressionTextConvert conv;
        conv.SetKeyList(&keys);
        conv.SetVariableDictionary(&store);
        conv.SetIsVarCalcMode(true);
        conv.SetCalcModeVariableList(&names);
        EXPECT_EQ(conv.Convert(QString::fromUtf16(c.text)), c.ok) << Show(c.text);
        EXPECT_EQ(names, c.names) << Show(c.text);
        EXPECT_EQ(keys, c.keys) << Show(c.text);
    }

    // without a list the names are simply dropped
    TKeyList keys;
    TExpressionTextConvert conv;
    conv.SetKeyList(&keys);
    conv.SetIsVarCalcMode(true);
    EXPECT_TRUE(conv.Convert(QStringLiteral("A*B")));
    EXPECT_EQ(keys, TKeyList{ekMulti});
}

TEST(ExpressionTextConvert, LengthLimits) {
    const TKeyList before{ekPi};
    for (const QString& refused : {QString(), QString(1025, u'1')}) {
        TKeyList keys = before;
        TExpressionTextConvert conv;
        conv.SetKeyList(&keys);
        EXPECT_FALSE(conv.Convert(refused)) << refused.size();
        EXPECT_EQ(conv.ErrorIndex(), 0);
        EXPECT_EQ(keys, before) << refused.size();
    }

    // the longest text converts in full, whatever width it was typed in
    for (const QChar one : {QChar(u'1'), QChar(0xFF11)}) {
        const Result r = Convert(QString(1024, one), nullptr);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.keys, TKeyList(1024, ek1));
    }

    // a text of 1024 code units whose half-width form is half as long again
    TVariableDictionary ga;
    ga.AddOrSetValue(QString::fromUtf16(u"\u30AC"), 1);
    const Result longer = Convert(QString::fromUtf16(u"\u30AC+").repeated(512), &ga);
    EXPECT_TRUE(longer.ok);
    EXPECT_EQ(longer.keys.size(), 512 * 5);

    const Result last = Convert(QString(1023, u'1') + u'#', nullptr);
    EXPECT_FALSE(last.ok);
    EXPECT_EQ(last.errorIndex, 1023);
    EXPECT_EQ(last.keys.size(), 1023);
}

TEST(ExpressionTextConvert, SecondConversionStartsAfresh) {
    TKeyList keys;
    TExpressionTextConvert conv;
    conv.SetKeyList(&keys);

    EXPECT_FALSE(conv.Convert(QStringLiteral("1+XYZ")));
    EXPECT_EQ(conv.ErrorIndex(), 2);

    EXPECT_TRUE(conv.Convert(QStringLiteral("2*3")));
    EXPECT_EQ(conv.ErrorIndex(), 0);
    EXPECT_EQ(keys, (TKeyList{ek2, ekMulti, ek3}));

    EXPECT_FALSE(conv.Convert(QStringLiteral("45#")));
    EXPECT_EQ(conv.ErrorIndex(), 2);
    EXPECT_EQ(keys, (TKeyList{ek4, ek5}));

    // a refused text has no position: the old one is not kept
    EXPECT_FALSE(conv.Convert(QString()));
    EXPECT_EQ(conv.ErrorIndex(), 0);
    EXPECT_EQ(keys, (TKeyList{ek4, ek5}));
}

TEST(ExpressionTextConvert, WithoutKeyListStillTellsWhetherTextConverts) {
    TExpressionTextConvert conv;
    EXPECT_TRUE(conv.Convert(QStringLiteral("1+2")));
    EXPECT_FALSE(conv.Convert(QStringLiteral("1+2#")));
    EXPECT_EQ(conv.ErrorIndex(), 3);
}

TEST_F(ExpressionTextConvertStore, ConvertsOnSeveralThreadsAtOnce) {
    const QStringList texts = {
        QString::fromUtf16(u"\uFF53\uFF49\uFF4E\uFF08\uFF13\uFF10\uFF09\u00D7rate"),
        QStringLiteral("HEX(1F)+SINX-2E3"),
        QString::fromUtf16(u"\u30AC*[C]/A"),
        QStringLiteral("1+XYZ"),
    };
    std::vector<Result> expected;
    for (const QString& t : texts)
        expected.push_back(Convert(t, &store));

    const TVariableDictionary& shared = store;
    std::atomic<int> mismatches{0};
    // std::thread rather than QThread: a thread checker sees its join
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                for (qsizetype k = 0; k < texts.size(); ++k) {
                    const Result r = Convert(texts[k], &shared);
                    if (r.ok != expected[k].ok || r.keys != expected[k].keys ||
                        r.errorIndex != expected[k].errorIndex)
                        ++mismatches;
                }
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_TRUE(expected[0].ok && expected[1].ok && expected[2].ok && !expected[3].ok);
}
