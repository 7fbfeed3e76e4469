#include "ExpressionTextConvert.h"

#include "MojiConvert.h"
#include "VariableDictionary.h"

#include <optional>

namespace {

const QHash<QString, TExpressionKey>& FunctionTable() {
    static const QHash<QString, TExpressionKey> table = [] {
        // LOGE is the natural logarithm ekLn; X and Y are ordinary variable names
        const std::pair<const char16_t*, TExpressionKey> words[] = {
            {u"M", ekVarM},
            {u"GT", ekVarGT},
            {u"MCOUNT", ekVarMCount},
            {u"GTCOUNT", ekVarGTCount},
            {u"ANS", ekAns},
            {u"PREANS", ekPreAns},
            {u"SIN", ekSin},
            {u"COS", ekCos},
            {u"TAN", ekTan},
            {u"ARCSIN", ekArcSin},
            {u"ARCCOS", ekArcCos},
            {u"ARCTAN", ekArcTan},
            {u"SINH", ekSinH},
            {u"COSH", ekCosH},
            {u"TANH", ekTanH},
            {u"ARCSINH", ekArcSinH},
            {u"ARCCOSH", ekArcCosH},
            {u"ARCTANH", ekArcTanH},
            {u"PI", ekPi},
            {u"\u03C0", ekPi}, // stays small: only ASCII letters are upper-cased
            {u"SQRT", ekSqrt},
            {u"LOG", ekLog10},
            {u"LN", ekLn},
            {u"LOGE", ekLn},
            {u"LOGXY", ekLogXY},
            {u"EXP", ekExp},
            {u"ABS", ekAbs},
            {u"INT", ekInt},
            {u"FRAC", ekFrac},
            {u"CEIL", ekCeil},
            {u"FLOOR", ekFloor},
            {u"ROUNDOFF", ekRoundOff},
            {u"HEX", ekHex},
            {u"BIN", ekBin},
        };
        QHash<QString, TExpressionKey> made;
        for (const auto& [word, key] : words)
            made.insert(QString::fromUtf16(word), key);
        return made;
    }();
    return table;
}

std::optional<TExpressionKey> SingleCharacterKey(char16_t c) {
    if (c >= u'0' && c <= u'9') return TExpressionKey(ek0 + (c - u'0'));
    switch (c) {
    case u'!':
        return ekFactorial;
    case u'(':
        return ekLParen;
    case u')':
        return ekRParen;
    case u'*':
        return ekMulti;
    case u'+':
        return ekAdd;
    case u',':
        return ekComma;
    case u'-':
        return ekSub;
    case u'.':
        return ekDot;
    case u'/':
        return ekDiv;
    case u'^':
        return ekPower;
    case u'\u00B2':
        return ekSquare;
    case u'\u00B3':
        return ekCube;
    case u'\u221A':
        return ekSqrt;
    default:
        return std::nullopt;
    }
}

// Digits, dots and brackets do not end a name: A1, RATE2.5 and [C] are names.
bool IsNameDelimiter(char16_t c) {
    switch (c) {
    case u' ':
    case u'!':
    case u'(':
    case u')':
    case u'*':
    case u'+':
    case u',':
    case u'-':
    case u'/':
    case u'^':
    case u'\u00B2':
    case u'\u00B3':
    case u'\u221A':
        return true;
    default:
        return false;
    }
}

// Every Latin-1 code unit counts as assigned, control characters included.
bool IsAssigned(char16_t c) {
    return c <= 0xFF || QChar::category(char32_t(c)) != QChar::Other_NotAssigned;
}

} // namespace

QHash<QString, TExpressionKey> CreateFunctionDictionary() {
    return FunctionTable();
}

TExpressionTextConvert::TExpressionTextConvert() : FunctionDictionary(CreateFunctionDictionary()) {}

TExpressionTextConvert::TExpressionTextConvert(TKeyList* Keys, const TVariableDictionary* Variables)
    : TExpressionTextConvert() {
    FKeyList = Keys;
    FVariableDictionary = Variables;
}

bool TExpressionTextConvert::Convert(const QString& ExpressionText) {
    ExpressionIndex = 0;
    FFailed = false;
    if (ExpressionText.isEmpty() || ExpressionText.size() > MaxTextLength) {
        FExpressionText = ExpressionText;
        // a refused text has no position of its own
        FErrorIndex = 0;
        return false;
    }
    FExpressionText = ConvertHalfWidthUpper(ConvertOperatorSigns(ExpressionText));
    (FKeyList ? *FKeyList : ScratchKeyList).clear();
    if (FKeySourceList) FKeySourceList->clear();
    const bool converted = Scan();
    FFailed = !converted;
    if (FFailed) FTypedText = ExpressionText;
    // the keys' places so far are in the normalised text; the caller's are in its own
    if (FKeySourceList) {
        const TFoldedPositions typed(ExpressionText, FExpressionText);
        for (TTextRange& r : *FKeySourceList)
            r = typed.Source(r);
    }
    if (converted) {
        FErrorIndex = 0;
        ExpressionIndex = 0;
        return true;
    }
    FErrorIndex = ExpressionIndex;
    return false;
}

// Found only when asked for: a failing live preview never needs it.
TTextRange TExpressionTextConvert::ErrorRange() const {
    if (!FFailed) return {};
    return TFoldedPositions(FTypedText, FExpressionText).Source({FErrorIndex, FErrorEnd - FErrorIndex});
}

bool TExpressionTextConvert::Scan() {
    const int length = int(FExpressionText.size());
    while (ExpressionIndex < length) {
        const char16_t c = FExpressionText.at(ExpressionIndex).unicode();
        if (c == u' ') {
            ++ExpressionIndex;
        } else if (const auto key = SingleCharacterKey(c)) {
            Append(*key);
            ++ExpressionIndex;
        } else if (LetterLength(ExpressionIndex) > 0) {
            if (ReadName()) continue;
            // an E that names nothing is the exponent mark: 2E3, 1E-5
            if (c != u'E') return false;
            Append(ekE);
            ++ExpressionIndex;
        } else if (c == u'[') {
            if (!ReadName()) return false;
        } else {
            // a character outside the basic plane fails as a whole
            const bool pair = QChar::isHighSurrogate(c) && ExpressionIndex + 1 < length &&
                              FExpressionText.at(ExpressionIndex + 1).isLowSurrogate();
            FErrorEnd = ExpressionIndex + (pair ? 2 : 1);
            return false;
        }
    }
    return true;
}

bool TExpressionTextConvert::ReadName() {
    const int length = int(FExpressionText.size());
    const int start = ExpressionIndex;
    // the first code unit is a letter or "["; a letter outside the basic plane
    // takes both halves of its surrogate pair
    ExpressionIndex += qMax(1, LetterLength(start));
    while (ExpressionIndex < length) {
        const int n = LetterLength(ExpressionIndex);
        if (n == 0) break;
        ExpressionIndex += n;
    }
    if (FIsVarCalcMode && ExpressionIndex < length && FExpressionText.at(ExpressionIndex) == u']')
        ++ExpressionIndex;

    // only the letters count as a function word: SIN30 is SIN and 30; the word
    // is looked up where it stands in the text, not copied out of it
    const auto word = FunctionDictionary.constFind(
        QString::fromRawData(FExpressionText.constData() + start, ExpressionIndex - start));
    if (word != FunctionDictionary.constEnd()) {
        Append(*word, start, ExpressionIndex - start);
        if (*word == ekHex) ReadHexDigits();
        return true;
    }

    while (ExpressionIndex < length) {
        const char16_t c = FExpressionText.at(ExpressionIndex).unicode();
        if (IsNameDelimiter(c) || !IsAssigned(c)) break;
        ++ExpressionIndex;
    }
    const QString name = QString::fromRawData(FExpressionText.constData() + start, ExpressionIndex - start);

    if (FIsVarCalcMode) {
        // collected, not looked up: the caller asks for every value
        if (FCalcModeVariableList) FCalcModeVariableList->append(QString(name.constData(), name.size()));
        return true;
    }
    int number = 0;
    if (FVariableDictionary && FVariableDictionary->FindNumber(name, number)) {
        // every key of the group stands for the whole name
        const int n = ExpressionIndex - start;
        Append(ekVariable, start, n);
        Append(ekLParen, start, n);
        AppendDigits(number, start, n);
        Append(ekRParen, start, n);
        return true;
    }
    FErrorEnd = ExpressionIndex;
    ExpressionIndex = start;
    return false;
}

// After HEX the letters A-F are digits; anything else, ")" included, ends the
// number without being consumed.
void TExpressionTextConvert::ReadHexDigits() {
    const int length = int(FExpressionText.size());
    for (; ExpressionIndex < length; ++ExpressionIndex) {
        const char16_t c = FExpressionText.at(ExpressionIndex).unicode();
        if (c == u' ') continue;
        if (c == u'(')
            Append(ekLParen);
        else if (c >= u'0' && c <= u'9')
            Append(TExpressionKey(ek0 + (c - u'0')));
        else if (c >= u'A' && c <= u'F')
            Append(TExpressionKey(ekHexA + (c - u'A')));
        else
            break;
    }
}

void TExpressionTextConvert::Append(TExpressionKey Key, int Start, int Length) {
    (FKeyList ? *FKeyList : ScratchKeyList).append(Key);
    if (FKeySourceList) FKeySourceList->append({Start, Length});
}

// The decimal digits of a variable's number, most significant first, no sign.
void TExpressionTextConvert::AppendDigits(int Number, int Start, int Length) {
    TExpressionKey digits[10];
    int n = 0;
    auto rest = unsigned(Number);
    do {
        digits[n++] = TExpressionKey(ek0 + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (n > 0)
        Append(digits[--n], Start, Length);
}

// 1 for a letter, 2 for a letter written as a surrogate pair, 0 otherwise.
int TExpressionTextConvert::LetterLength(int Index) const {
    const QChar c = FExpressionText.at(Index);
    if (c.isHighSurrogate() && Index + 1 < FExpressionText.size()) {
        const QChar low = FExpressionText.at(Index + 1);
        if (low.isLowSurrogate()) return QChar::isLetter(QChar::surrogateToUcs4(c, low)) ? 2 : 0;
    }
    return c.isLetter() ? 1 : 0;
}
