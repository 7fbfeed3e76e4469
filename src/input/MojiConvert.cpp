#include "MojiConvert.h"

#include <algorithm>
#include <memory>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

// A transliterator is not safe to share between threads, and building one costs
// far more than using it, so each thread keeps its own.
icu::Transliterator* HalfWidthTransliterator() {
    thread_local std::unique_ptr<icu::Transliterator> t = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> made(
            icu::Transliterator::createInstance("Fullwidth-Halfwidth", UTRANS_FORWARD, status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return t.get();
}

enum TTextKind { tkUpperAscii, tkLowerAscii, tkOther };

// ASCII without small letters, ASCII with some, or text beyond ASCII
TTextKind KindOf(const QString& Text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(Text.constData());
    const char16_t* const end = p + Text.size();
    bool lower = false;
    for (; p != end; ++p) {
        if (*p >= 0x80) return tkOther;
        lower |= char16_t(*p - u'a') <= u'z' - u'a';
    }
    return lower ? tkLowerAscii : tkUpperAscii;
}

// The ASCII operator a look-alike stands for, 0 for any other code unit.
char16_t OperatorSign(char16_t c) {
    if (c < 0xD7) return 0; // below the first look-alike, as ASCII is
    switch (c) {
    case 0x00D7:
        return u'*';
    case 0x00F7:
        return u'/';
    case 0x30FC: // prolonged sound mark
    case 0xFF70: // its half-width form
    case 0x2015: // horizontal bar
    case 0x2212: // the typographic minus of copied text
        return u'-';
    default:
        return 0;
    }
}

} // namespace

QString ConvertOperatorSigns(const QString& Text) {
    // a text without look-alikes, as typed text nearly always is, is shared, not copied
    const QChar* const begin = Text.constData();
    const QChar* const end = begin + Text.size();
    const QChar* first = begin;
    while (first != end && OperatorSign(first->unicode()) == 0)
        ++first;
    if (first == end) return Text;
    QString s = Text;
    QChar* const out = s.data();
    for (qsizetype i = first - begin; i < s.size(); ++i)
        if (const char16_t sign = OperatorSign(out[i].unicode())) out[i] = QChar(sign);
    return s;
}

QString ConvertHalfWidthUpper(const QString& Text) {
    QString s;
    // ASCII has no wider or narrower form: skip the folding on the common path,
    // and an upper-case ASCII text is returned as it is, shared, not copied.
    const TTextKind kind = KindOf(Text);
    if (kind == tkUpperAscii) return Text;
    if (kind == tkLowerAscii) {
        // one new string, written in one pass
        s = QString(Text.size(), Qt::Uninitialized);
        const char16_t* from = reinterpret_cast<const char16_t*>(Text.constData());
        char16_t* to = reinterpret_cast<char16_t*>(s.data());
        for (qsizetype i = 0; i < Text.size(); ++i)
            to[i] = char16_t(from[i] - (char16_t(from[i] - u'a') <= u'z' - u'a' ? 0x20 : 0));
        return s;
    }
    if (icu::Transliterator* t = HalfWidthTransliterator()) {
        icu::UnicodeString u(reinterpret_cast<const UChar*>(Text.utf16()), int32_t(Text.size()));
        t->transliterate(u);
        s = QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
    } else {
        s = Text;
    }
    for (QChar& c : s)
        if (c.unicode() >= u'a' && c.unicode() <= u'z') c = QChar(c.unicode() - 0x20);
    return s;
}

TFoldedPositions::TFoldedPositions(const QString& Text, const QString& Folded)
    : FTextLength(int(Text.size())) {
    if (Folded.size() == Text.size()) return;
    // each character folds on its own; a pair of surrogates is one character
    FStarts.reserve(Folded.size());
    for (int i = 0; i < Text.size();) {
        const int n =
            Text.at(i).isHighSurrogate() && i + 1 < Text.size() && Text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const qsizetype folded = ConvertHalfWidthUpper(ConvertOperatorSigns(Text.mid(i, n))).size();
        for (qsizetype k = 0; k < folded; ++k)
            FStarts.append(i);
        i += n;
    }
    FStarts.resize(Folded.size(), FTextLength);
}

TTextRange TFoldedPositions::Source(TTextRange Folded) const {
    if (FStarts.isEmpty()) {
        const int start = std::clamp(Folded.Start, 0, FTextLength);
        return {start, std::clamp(Folded.Length, 0, FTextLength - start)};
    }
    const int size = int(FStarts.size());
    const auto at = [&](int i) { return i < size ? FStarts.at(i) : FTextLength; };
    const int first = std::clamp(Folded.Start, 0, size);
    if (Folded.Length <= 0) return {at(first), 0};
    int next = std::min(first + Folded.Length, size);
    // the rest of the last character's narrow form belongs to it
    while (next < size && FStarts.at(next) == FStarts.at(next - 1))
        ++next;
    return {at(first), at(next) - at(first)};
}

int TerminalColumns(char32_t Character) {
    const int8_t category = u_charType(UChar32(Character));
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR) return 0;
    const int width = u_getIntPropertyValue(UChar32(Character), UCHAR_EAST_ASIAN_WIDTH);
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}
