#include "MojiConvert.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <utility>
#include <vector>

namespace {
QString Both(const QString& s) {
    return ConvertHalfWidthUpper(ConvertOperatorSigns(s));
}
} // namespace

TEST(MojiConvert, FoldsWidthOperatorsAndCase) {
    struct Case {
        const char16_t* in;
        const char16_t* out;
    };
    const Case cases[] = {
        {u"", u""},
        {u"\uFF12\u00D7\uFF13", u"2*3"},
        {u"\uFF18\u00F7\uFF12", u"8/2"},
        {u"\uFF53\uFF49\uFF4E\uFF08\uFF13\uFF10\uFF09", u"SIN(30)"},
        {u"sin(30)", u"SIN(30)"},
        {u"Sin", u"SIN"},
        {u"1\u30FC2\uFF702\u20153", u"1-2-2-3"},
        {u"\u22125\u22122", u"-5-2"}, // the minus sign of copied text
        {u"1\uFF0D2", u"1-2"},        // full-width hyphen-minus folds to "-"
        {u"1\u20142", u"1\u20142"},   // an em dash is no minus
        {u"2\u00D73\u00D74", u"2*3*4"},
        {u"\u03C0\u00B2\u00B3\u221A", u"\u03C0\u00B2\u00B3\u221A"},
        {u"a\u3000b", u"A B"}, // ideographic space
        {u"\uFF20hex", u"@HEX"},
        {u"\u00E9x", u"\u00E9X"}, // only ASCII letters change case
    };
    for (const auto& c : cases)
        EXPECT_EQ(Both(QString::fromUtf16(c.in)), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
}

TEST(MojiConvert, OperatorSignsKeepTheLength) {
    const QString s = QString::fromUtf16(u"\u00D7\u00F7\u30FC\uFF70\u2015\u2212");
    EXPECT_EQ(ConvertOperatorSigns(s), QStringLiteral("*/----"));
}

TEST(MojiConvert, FullWidthKatakanaBecomesHalfWidth) {
    // a voiced kana becomes two code units
    EXPECT_EQ(ConvertHalfWidthUpper(QString::fromUtf16(u"\u30AC")), QString::fromUtf16(u"\uFF76\uFF9E"));
}

TEST(MojiConvert, FoldedPositionsLeadBackToTheTypedCharacters) {
    // GA folds to two code units; ranges of the folded text come back to the typed one
    const QString typed = QString::fromUtf16(u"1\u30AC\uFF0B\u30AC");
    const QString folded = ConvertHalfWidthUpper(ConvertOperatorSigns(typed));
    ASSERT_EQ(folded.size(), 6);
    const TFoldedPositions positions(typed, folded);
    struct Row {
        TTextRange folded, typed;
    };
    const Row rows[] = {
        {{0, 1}, {0, 1}}, {{1, 2}, {1, 1}}, {{1, 1}, {1, 1}}, // half of the narrow form takes the character
        {{2, 1}, {1, 1}}, {{3, 1}, {2, 1}}, {{3, 3}, {2, 2}},
        {{6, 0}, {4, 0}}, {{9, 2}, {4, 0}}, // beyond the end
    };
    for (const Row& r : rows)
        EXPECT_EQ(positions.Source(r.folded), r.typed) << r.folded.Start << "+" << r.folded.Length;
    // texts that line up map one for one
    EXPECT_EQ(TFoldedPositions(QStringLiteral("ab"), QStringLiteral("AB")).Source({1, 5}),
              (TTextRange{1, 1}));
}

TEST(MojiConvert, TerminalColumns) {
    const std::pair<char32_t, int> rows[] = {
        {U'A', 1},          {U'\uFF21', 2}, {U'\u30AC', 2}, {U'\uFF76', 1}, {U'\u6F22', 2},
        {U'\U0001F600', 2}, {U'\u0301', 0}, {U'\u200B', 0}, {U'\u00D7', 1},
    };
    for (const auto& [c, columns] : rows)
        EXPECT_EQ(TerminalColumns(c), columns) << std::hex << unsigned(c);
}

TEST(MojiConvert, LongTextIsNeverCut) {
    QString longText;
    for (int i = 0; i < 5000; ++i)
        longText += QChar(0xFF11); // full-width 1
    const QString out = ConvertHalfWidthUpper(longText);
    ASSERT_EQ(out.size(), 5000);
    EXPECT_EQ(out, QString(5000, u'1'));
}

TEST(MojiConvert, SafeOnSeveralThreadsAtOnce) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures] {
            for (int i = 0; i < 500; ++i)
                if (Both(QString::fromUtf16(u"\uFF53\uFF49\uFF4E\uFF08\uFF13\uFF10\uFF09\u00D7\uFF12")) !=
                    QStringLiteral("SIN(30)*2"))
                    ++failures;
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

// Typed text is nearly always plain upper-case ASCII without look-alikes: it
// comes back as it is, sharing its storage, and only a text that changes is copied.
TEST(MojiConvert, TextThatStaysTheSameIsNotCopied) {
    const QString plain = QString::fromUtf8("A*2+SIN(30)-1E5");
    EXPECT_EQ(ConvertOperatorSigns(plain).constData(), plain.constData());
    EXPECT_EQ(ConvertHalfWidthUpper(plain).constData(), plain.constData());
    const QString typed = QString::fromUtf16(u"a\u00D72");
    const QString signs = ConvertOperatorSigns(typed);
    EXPECT_EQ(signs, "a*2");
    EXPECT_EQ(typed, QString::fromUtf16(u"a\u00D72")); // the original is untouched
    EXPECT_EQ(ConvertHalfWidthUpper(signs), "A*2");
    EXPECT_EQ(signs, "a*2");
}
