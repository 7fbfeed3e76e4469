#include "IniFile.h"

#include <gtest/gtest.h>

namespace {

TIniFile parse(const QByteArray& Bytes) {
    TIniFile ini;
    ini.Parse(Bytes);
    return ini;
}

// The serialized text without its byte-order mark, CR LF shown as "\n".
QString text(const TIniFile& Ini) {
    QByteArray b = Ini.Serialize();
    EXPECT_TRUE(b.startsWith("\xEF\xBB\xBF"));
    EXPECT_FALSE(b.mid(3).replace("\r\n", "").contains('\n'));
    return QString::fromUtf8(b.mid(3).replace("\r\n", "\n"));
}

QString value(const TIniFile& Ini, const QString& Section, const QString& Key) {
    return Ini.Value(Section, Key).value_or(QStringLiteral("<missing>"));
}

} // namespace

TEST(IniFile, ReadsLinesAsTheFormatDefines) {
    const TIniFile ini = parse("orphan=1\r\n"
                               "; comment=2\r\n"
                               "[A]\r\n"
                               "  Key = spaced value \t\r\n"
                               "Eq=a=b\r\n"
                               "Bare\r\n"
                               ";Hidden=3\r\n"
                               "Empty=\r\n"
                               "\r\n"
                               "  [ b ]  \r\n"
                               "x=1\n"
                               "y=2\r"
                               "z=3");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"A", "Key", "spaced value"}, // key and value are trimmed
        {"a", "KEY", "spaced value"}, // names compare without case
        {"A", "Eq", "a=b"},           // split at the first "="
        {"A", "Bare", "<missing>"},   // no "=": reads as missing
        {"A", "Hidden", "<missing>"}, // a comment is not a key
        {"A", "Empty", ""},
        {"A", "orphan", "<missing>"}, // lines before the first section belong to none
        {"B", "x", "1"},              // LF, CR and a last line without a break
        {"B", "y", "2"},
        {"B", "z", "3"},
        {"C", "x", "<missing>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(value(ini, c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(ini.LineCount(), 13);
}

TEST(IniFile, WritesBackWhatItDoesNotChange) {
    TIniFile ini = parse("\xEF\xBB\xBF; about this file\r\n"
                         "[Keep]\r\n"
                         "Foreign = as it was\r\n"
                         "Bare\r\n"
                         "[mode]\r\n"
                         "; a comment goes\r\n"
                         "VIEW=3\r\n"
                         "Other=x\r\n");
    ini.SetValue("Mode", "View", "5");    // in place, in the file's spelling
    ini.SetValue("Mode", "Angle", "1");   // new key at the end of its section
    ini.SetValue("Custom", "Title", "t"); // new section at the end
    EXPECT_EQ(text(ini), "[Keep]\nForeign=as it was\nBare\n\n"
                         "[mode]\nVIEW=5\nOther=x\nAngle=1\n\n"
                         "[Custom]\nTitle=t\n\n");
}

TEST(IniFile, RepeatedNamesReadTheFirstAndKeepTheRest) {
    TIniFile ini = parse("[S]\na=1\nA=2\n[T]\nx=1\n[s]\nb=3\na=4\n");
    EXPECT_EQ(value(ini, "S", "a"), "1");
    EXPECT_EQ(value(ini, "S", "b"), "3");
    ini.SetValue("S", "a", "9");
    EXPECT_EQ(text(ini), "[S]\na=9\nA=2\nb=3\na=4\n\n[T]\nx=1\n\n");

    // letter case beyond ASCII
    const TIniFile wide = parse("[\xC3\x84pfel]\n\xC3\x9C"
                                "ber=1\n[\xC3\xA4PFEL]\nz=2\n");
    EXPECT_EQ(wide.Value(u"\u00E4pfel", u"\u00FCBER"), "1");
    EXPECT_EQ(wide.Value(u"\u00C4PFEL", u"Z"), "2");
}

TEST(IniFile, LongSectionsFindEveryKeyOftenSearched) {
    QByteArray file = "[S]\n";
    for (int i = 0; i < 200; ++i)
        file += "Key" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    file += "key7=again\n";
    TIniFile ini = parse(file);
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 200; i += 7)
            EXPECT_EQ(value(ini, "S", QStringLiteral("KEY%1").arg(i)), QString::number(i)) << i;
    EXPECT_EQ(value(ini, "S", "Key200"), "<missing>");
    ini.SetValue("S", "Key200", "new");
    ini.SetValue("S", "key7", "7b");
    EXPECT_EQ(value(ini, "S", "key200"), "new");
    EXPECT_TRUE(text(ini).contains("\nKey7=7b\n"));
    EXPECT_TRUE(text(ini).endsWith("key7=again\nKey200=new\n\n"));
}

TEST(IniFile, ValueStaysOnOneLine) {
    TIniFile ini;
    ini.SetValue("S", "k", "1\r\n[Mode]\nView=7\r");
    EXPECT_EQ(text(ini), "[S]\nk=1  [Mode] View=7 \n\n");
    const TIniFile back = parse(ini.Serialize());
    EXPECT_EQ(back.FindSection(u"Mode"), TIniFile::NoSection);
    EXPECT_EQ(value(back, "S", "k"), "1  [Mode] View=7");
}

TEST(IniFile, DamagedTextReadsWithoutLoss) {
    // bytes that are not UTF-8 become replacement characters; the rest reads
    const TIniFile ini = parse("[S]\na=x\xFF\xC3(y\nb=2\n");
    EXPECT_EQ(value(ini, "S", "a"), QString::fromUtf16(u"x\uFFFD\uFFFD(y"));
    EXPECT_EQ(value(ini, "S", "b"), "2");

    // a file without a mark and with UTF-8 names
    const TIniFile plain = parse("[S]\nt=\xE8\xA8\x88\xE7\xAE\x97\n");
    EXPECT_EQ(value(plain, "S", "t"), QString::fromUtf16(u"\u8A08\u7B97"));

    // a NUL byte is a blank, and the text written back is text again
    TIniFile nul = parse(QByteArray("[S]\na=x\0y\0\n", 11));
    EXPECT_EQ(value(nul, "S", "a"), "x y");
    nul.SetValue("S", "b", QString::fromUtf16(u"p\0q", 3));
    EXPECT_EQ(text(nul), "[S]\na=x y\nb=p q\n\n");

    // a byte-order mark inside a name is a character of it
    const TIniFile marked = parse("[\xEF\xBB\xBF"
                                  "A]\nb=1\n");
    EXPECT_EQ(marked.FindSection(u"A"), TIniFile::NoSection);
    EXPECT_EQ(marked.Value(u"\uFEFFa", u"b"), "1");

    // a header without its bracket is a bare key of the section before it
    const TIniFile open = parse("[S]\n[T\nb=1\n");
    EXPECT_EQ(open.FindSection(u"T"), TIniFile::NoSection);
    EXPECT_EQ(value(open, "S", "b"), "1");
}

TEST(IniFile, TellsTextThatWouldNotComeBackAsItWas) {
    const QString utf16 = QStringLiteral("[S]\r\na=1\r\n");
    struct Case {
        const char* name;
        QByteArray bytes;
        bool plain;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"a mark alone", "\xEF\xBB\xBF", true},
        {"comments and blank lines first", "; mine\n\n  \n[S]\na=1\nbare\n", true},
        {"UTF-8 beyond ASCII", "[\xC3\x84]\nt=\xE8\xA8\x88\n", true},
        {"text before the first section", "a=1\n[S]\n", false},
        {"bytes that are not UTF-8", "[S]\na=\xFF\n", false},
        {"a character cut off at the end", "[S]\na=\xE8\xA8", false},
        {"a NUL byte", QByteArray("[S]\na=\0\n", 8), false},
        {"UTF-16", QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2), false},
    };
    for (const auto& c : cases) {
        TIniFile ini;
        EXPECT_EQ(ini.Parse(c.bytes), c.plain) << c.name;
    }
}

TEST(IniFile, SerializedSizeCountsWhatIsWritten) {
    TIniFile ini;
    ini.Parse("[S]\n  a = x\xC3\xA4 \nb\n[T]\nc=\xF0\x9F\x98\x80\nd=\xFF\n");
    ini.SetValue("S", "a", QString::fromUtf16(u"\u00E4\u8A08"));
    QString lone = "z";
    lone += QChar(0xD800); // a surrogate without its partner is written as "?"
    ini.SetValue("U", "e", lone);
    const QByteArray bytes = ini.Serialize();
    EXPECT_EQ(ini.SerializedSize(), bytes.size());
    EXPECT_EQ(bytes, "\xEF\xBB\xBF[S]\r\na=\xC3\xA4\xE8\xA8\x88\r\nb\r\n\r\n"
                     "[T]\r\nc=\xF0\x9F\x98\x80\r\nd=\xEF\xBF\xBD\r\n\r\n[U]\r\ne=z?\r\n\r\n");
}

TEST(IniFile, NumberedNamesComeInOrderBelowTheLimit) {
    const TIniFile ini =
        parse("[Expression3]\n[expression1]\n[Expression10]\n[Expression02]\n[ExpressionX]\n"
              "[RecordExpression]\nExpression5=a\nexpression2=b\nExpression2=c\nExpression7\n"
              "Expression-1=d\n");
    EXPECT_EQ(ini.NumberedSections(u"Expression", 11), std::vector<qsizetype>({1, 3, 10}));
    EXPECT_EQ(ini.NumberedSections(u"Expression", 10), std::vector<qsizetype>({1, 3}));
    EXPECT_TRUE(ini.NumberedSections(u"Expression", 0).empty());
    // a key without "=" is no entry; one that appears twice counts once
    EXPECT_EQ(ini.NumberedKeys(ini.FindSection(u"RecordExpression"), u"Expression", 100),
              std::vector<qsizetype>({2, 5}));
    EXPECT_TRUE(ini.NumberedKeys(TIniFile::NoSection, u"Expression", 100).empty());
}

TEST(IniFile, RemovedNamesAreNotWritten) {
    TIniFile ini =
        parse("[Expression]\nRecordCount=3\nText=t\nrecordcount=4\n"
              "[Expression0]\nx=0\n[Expression1]\nx=1\n[Expression10]\nx=10\n[Expression01]\nx=01\n"
              "[RecordExpression]\nExpression0=a\nExpression1=b\nHeight=3\nExpression2=c\n[Mode]\nView=1\n");
    ini.RemoveNumberedSections(u"Expression", 1);
    ini.RemoveNumberedKeys(u"RecordExpression", u"Expression", 1);
    ini.RemoveKey(u"Expression", u"RecordCount");
    EXPECT_EQ(text(ini), "[Expression]\nText=t\n\n[Expression0]\nx=0\n\n[Expression01]\nx=01\n\n"
                         "[RecordExpression]\nExpression0=a\nHeight=3\n\n[Mode]\nView=1\n\n");
    EXPECT_EQ(ini.FindSection(u"Expression1"), TIniFile::NoSection);
    EXPECT_EQ(value(ini, "RecordExpression", "Expression1"), "<missing>");
    EXPECT_EQ(value(ini, "Expression", "RecordCount"), "<missing>");

    // set again, a section comes back in its place with what is set alone
    ini.SetValue("Expression1", "y", "new");
    ini.SetValue("Expression", "RecordCount", "1");
    EXPECT_EQ(text(ini),
              "[Expression]\nText=t\nRecordCount=1\n\n[Expression0]\nx=0\n\n[Expression1]\ny=new\n\n"
              "[Expression01]\nx=01\n\n[RecordExpression]\nExpression0=a\nHeight=3\n\n[Mode]\nView=1\n\n");
}

TEST(IniFile, TellsWhetherEverythingWasAskedFor) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool used; // after asking for S/a and S/b and T
    };
    const Case cases[] = {
        {"all asked for", "[S]\na=1\nb=2\n[T]\n", true},
        {"names in other letter case", "[s]\nA=1\nB=2\n[t]\n", true},
        {"a key not asked for", "[S]\na=1\nb=2\nc=3\n[T]\n", false},
        {"a section not asked for", "[S]\na=1\nb=2\n[T]\n[U]\n", false},
        {"a key without a value", "[S]\na=1\nb\n[T]\n", false},
        {"a key twice", "[S]\na=1\nb=2\na=3\n[T]\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIniFile ini = parse(c.bytes);
        EXPECT_FALSE(ini.AllUsed() && c.bytes.contains('='));
        ini.Value(u"S", u"a");
        ini.Value(u"S", u"b");
        ini.FindSection(u"T");
        EXPECT_EQ(ini.AllUsed(), c.used);
    }
    // what is set or removed counts as asked for
    TIniFile ini = parse("[S]\na=1\nb=2\n[T0]\nx=1\n");
    ini.SetValue("S", "a", "9");
    ini.SetValue("S", "c", "3");
    ini.RemoveNumberedSections(u"T", 0);
    EXPECT_FALSE(ini.AllUsed());
    ini.RemoveKey(u"S", u"b");
    EXPECT_TRUE(ini.AllUsed());
}
