#include "MojiConvert.h"

#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <vector>

namespace {
QString Both(const QString& s) { return ConvertHalfWidthUpper(ConvertOperatorSigns(s)); }
} // namespace

TEST(MojiConvert, FoldsWidthOperatorsAndCase)
{
    struct Case { const char16_t* in; const char16_t* out; };
    const Case cases[] = {
        {u"", u""},
        {u"\uFF12\u00D7\uFF13", u"2*3"},
        {u"\uFF18\u00F7\uFF12", u"8/2"},
        {u"\uFF53\uFF49\uFF4E\uFF08\uFF13\uFF10\uFF09", u"SIN(30)"},
        {u"sin(30)", u"SIN(30)"},
        {u"Sin", u"SIN"},
        {u"1\u30FC2\uFF702\u20153", u"1-2-2-3"},
        {u"\u22125\u22122", u"-5-2"},     // the minus sign of copied text
        {u"1\uFF0D2", u"1-2"},            // full-width hyphen-minus folds to "-"
        {u"1\u20142", u"1\u20142"},       // an em dash is no minus
        {u"2\u00D73\u00D74", u"2*3*4"},
        {u"\u03C0\u00B2\u00B3\u221A", u"\u03C0\u00B2\u00B3\u221A"},
        {u"a\u3000b", u"A B"},            // ideographic space
        {u"\uFF20hex", u"@HEX"},
        {u"\u00E9x", u"\u00E9X"},         // only ASCII letters change case
    };
    for (const auto& c : cases)
        EXPECT_EQ(Both(QString::fromUtf16(c.in)), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
}

TEST(MojiConvert, OperatorSignsKeepTheLength)
{
    const QString s = QString::fromUtf16(u"\u00D7\u00F7\u30FC\uFF70\u2015\u2212");
    EXPECT_EQ(ConvertOperatorSigns(s), QStringLiteral("*/----"));
}

TEST(MojiConvert, FullWidthKatakanaBecomesHalfWidth)
{
    // a voiced kana becomes two code units
    EXPECT_EQ(ConvertHalfWidthUpper(QString::fromUtf16(u"\u30AC")), QString::fromUtf16(u"\uFF76\uFF9E"));
}

TEST(MojiConvert, LongTextIsNeverCut)
{
    QString longText;
    for (int i = 0; i < 5000; ++i) longText += QChar(0xFF11); // full-width 1
    const QString out = ConvertHalfWidthUpper(longText);
    ASSERT_EQ(out.size(), 5000);
    EXPECT_EQ(out, QString(5000, u'1'));
}

TEST(MojiConvert, SafeOnSeveralThreadsAtOnce)
{
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
    for (std::thread& t : threads) t.join();
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
