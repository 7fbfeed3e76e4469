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

    // a header without its bracket is a bare key of the section before it
    const TIniFile open = parse("[S]\n[T\nb=1\n");
    EXPECT_EQ(open.FindSection(u"T"), TIniFile::NoSection);
    EXPECT_EQ(value(open, "S", "b"), "1");
}
