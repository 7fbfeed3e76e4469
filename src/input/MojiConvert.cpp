#include "MojiConvert.h"

#include <algorithm>
#include <memory>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

// A transliterator is not safe to share between threads, and building one costs
// far more than using it, so each thread keeps its own.
icu::Transliterator* HalfWidthTransliterator()
{
    thread_local std::unique_ptr<icu::Transliterator> t = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> made(
            icu::Transliterator::createInstance("Fullwidth-Halfwidth", UTRANS_FORWARD, status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return t.get();
}

bool IsAscii(const QString& Text)
{
    for (QChar c : Text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

} // namespace

QString ConvertOperatorSigns(const QString& Text)
{
    QString s = Text;
    for (QChar& c : s) {
        switch (c.unicode()) {
        case 0x00D7: c = u'*'; break;
        case 0x00F7: c = u'/'; break;
        case 0x30FC: // prolonged sound mark
        case 0xFF70: // its half-width form
        case 0x2015: // horizontal bar
        case 0x2212: // the typographic minus of copied text
            c = u'-';
            break;
        default: break;
        }
    }
    return s;
}

QString ConvertHalfWidthUpper(const QString& Text)
{
    QString s;
    // ASCII has no wider or narrower form: skip the folding on the common path.
    if (IsAscii(Text)) {
        s = Text;
    } else if (icu::Transliterator* t = HalfWidthTransliterator()) {
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
