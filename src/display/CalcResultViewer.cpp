#include "CalcResultViewer.h"

#include <charconv>
#include <cmath>
#include <string>

using namespace DecimalFormat;

namespace {

constexpr double kTwoTo63 = 9223372036854775808.0;

// x rounded to a signed 64-bit integer toward minus infinity (Up: plus infinity)
// at d decimals, as x', the nearest double to that integer / 10^d. The rounding
// works on the shortest decimal digits of x, which are the digits the user typed
// or sees: 0.29 cut to 2 decimals stays 0.29, where 0.29 × 100 in binary lies
// just below 29.
double DirectedRound(double x, int d, bool Up) {
    if (!std::isfinite(x)) throw EFormatError("directed rounding of a value that is not finite");
    if (x == 0) return 0;
    char buffer[40];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific).ptr;
    char digits[20];
    int count = 0;
    const char* p = buffer;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits[count++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    // integer digits of |x| × 10^d
    const long long n = exponent + 1LL + d;
    if (n > 19) throw EFormatError("directed rounding beyond the 64-bit range");
    unsigned long long whole = 0;
    bool fraction = true;
    if (n > 0) {
        for (long long i = 0; i < n; ++i)
            whole = whole * 10 + (i < count ? digits[i] - '0' : 0);
        fraction = count > n;
    }
    const bool negative = x < 0;
    if (fraction && negative != Up) ++whole;
    if (whole > (negative ? 1ULL << 63 : (1ULL << 63) - 1))
        throw EFormatError("directed rounding beyond the 64-bit range");
    if (whole == 0) return 0;
    std::string text = std::to_string(whole) + 'e' + std::to_string(-static_cast<long long>(d));
    double value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{}) {
        if (d < 0) throw EFormatError("directed rounding beyond the range of a double");
        value = 0; // below the smallest double
    }
    return negative ? -value : value;
}

// x rounded to the nearest signed 64-bit integer, ties to even.
long long RoundToInt64(double x) {
    if (!std::isfinite(x)) throw EFormatError("no integer for a value that is not finite");
    double r = std::floor(x);
    const double fraction = x - r; // exact: the fraction of a double is a double
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    if (!(r >= -kTwoTo63 && r < kTwoTo63)) throw EFormatError("value beyond the 64-bit range");
    return static_cast<long long>(r);
}

// Negative values show their 64-bit two's complement in both bases.
QString BaseText(double x, int Bits, const char16_t* Prefix) {
    unsigned long long u = static_cast<unsigned long long>(RoundToInt64(x));
    const unsigned mask = (1U << Bits) - 1;
    char16_t digits[64];
    int n = 0;
    do {
        const unsigned digit = u & mask;
        digits[n++] = char16_t(digit < 10 ? u'0' + digit : u'A' + digit - 10);
        u >>= Bits;
    } while (u != 0);
    QString text = QString::fromUtf16(Prefix);
    text.reserve(text.size() + n);
    while (n > 0)
        text.append(QChar(digits[--n]));
    return text;
}

// "#.###E+" writes a plus sign that the display leaves out.
QString WithoutExponentPlus(QString Text) {
    const qsizetype at = Text.indexOf(QLatin1String("E+"));
    if (at >= 0) Text.remove(at + 1, 1);
    return Text;
}

// A mantissa and an exponent split at the first "E"; no "E" is an exponent of 0.
bool Split(QStringView Text, TDecimal& Mantissa, long long& Exponent, const TFormatSettings& fs) {
    const qsizetype at = Text.indexOf(u'E');
    Exponent = 0;
    if (at >= 0) {
        QStringView e = Text.mid(at + 1);
        bool negative = false;
        if (!e.isEmpty() && (e[0] == u'-' || e[0] == u'+')) {
            negative = e[0] == u'-';
            e = e.mid(1);
        }
        if (e.isEmpty() || e.size() > 9) return false;
        for (QChar c : e) {
            if (c < u'0' || c > u'9') return false;
            Exponent = Exponent * 10 + (c.unicode() - u'0');
        }
        if (negative) Exponent = -Exponent;
        Text = Text.left(at);
    }
    return ReadDecimal(Text, Mantissa, fs);
}

// Exponents move in steps of 3, truncated toward zero (-5 gives -3).
long long StepOf3(long long e) {
    return e / 3 * 3;
}

} // namespace

void TCalcResultViewer::SetValue(double v) {
    FIsError = false;
    FIsText = false;
    FValue = v;
}

void TCalcResultViewer::SetText(const QString& v) {
    FIsError = false;
    FText = v;
    FIsText = true;
}

void TCalcResultViewer::Error(const QString& AMessage) {
    FIsError = true;
    FIsText = false;
    FErrorMessage = AMessage;
}

QString TCalcResultViewer::DisplayText() {
    if (FIsError) return FErrorMessage;
    if (FIsText) return FText;
    try {
        return FormatValue();
    } catch (const EFormatError&) {
        return QStringLiteral("Error");
    }
}

QString TCalcResultViewer::FormatValue() {
    for (;;) {
        const double x = FIsPercent ? FValue * 100 : FValue;
        QString text;
        switch (FViewMode) {
        case vtNormal:
            text = NormalText(x, FIsGroupingSeparator);
            break;
        case vtFix:
            text = FixText(x);
            break;
        case vtSci:
            text = SciText(x);
            break;
        case vtEng:
            if (!EngText(x, text)) {
                // the display keeps what it showed before
                FEngError = true;
                text = FDigitText;
            }
            break;
        case vtDms:
            if (!DmsText(x, text)) {
                // degrees too large for fixed notation: Normal from now on
                FViewMode = vtNormal;
                continue;
            }
            break;
        case vtHex:
            text = BaseText(x, 4, u"0x");
            break;
        case vtBin:
            text = BaseText(x, 1, u"0b");
            break;
        case vtNotView:
            break;
        }
        if (FIsPercent && (FViewMode == vtNormal || FViewMode == vtFix || FViewMode == vtSci)) text += u'%';
        FDigitText = text;
        return text;
    }
}

QString TCalcResultViewer::NormalText(double x, bool Grouping) const {
    const int sd = FSignificantDigits;
    if (Grouping) return Pattern(x, std::max(sd - 1, 0), true, FFormatSettings);
    // below 1 one digit less, so 2/3 shows 0.666666667
    return General(x, std::fabs(x) >= 1 ? sd : sd - 1, 0, FFormatSettings);
}

QString TCalcResultViewer::FixText(double x) const {
    if (FRoundSelector != rs54) x = DirectedRound(x, FDigitNumber, FRoundSelector == rsUp);
    const int d = FDigitNumber < 0 ? 2 : FDigitNumber;
    return FIsGroupingSeparator ? Grouped(x, d, FFormatSettings) : Fixed(x, d, FFormatSettings);
}

QString TCalcResultViewer::SciText(double x) const {
    if (FRoundSelector != rs54) x = DirectedRound(x, FDigitNumber, FRoundSelector == rsUp);
    if (FDigitNumber >= 0) return Exponent(x, FDigitNumber, FFormatSettings);
    if (x == 0) return QStringLiteral("0");
    return WithoutExponentPlus(ExponentPattern(x, std::max(FSignificantDigits - 1, 0), FFormatSettings));
}

bool TCalcResultViewer::EngText(double x, QString& Text) const {
    const TFormatSettings& fs = FFormatSettings;
    const int sd = FSignificantDigits;
    const int fraction = std::max(sd - 1, 0);
    // a mantissa may take the significant digits, its sign and its decimal separator
    const auto fits = [sd](const QString& s) { return s.size() <= static_cast<long long>(sd) + 1; };

    TDecimal m;
    long long e0 = 0;
    if (!Split(NormalText(x, false), m, e0, fs)) return false;
    long long k = StepOf3(FEng + e0);
    // the mantissa moves by whole decimal places, exactly
    TDecimal y = Shift(m, e0 - k);
    QString s;
    if (k > 0) {
        s = Pattern(y, fraction, false, fs);
    } else {
        s = General(y, sd, 0, fs);
        if (s.contains(u'E')) {
            // too large or too small for fixed notation: start again from all of x's digits
            TDecimal m2;
            long long e2 = 0;
            if (!Split(WithoutExponentPlus(ExponentPattern(x, fraction, fs)), m2, e2, fs)) return false;
            k = StepOf3(k + e2);
            s = Pattern(Shift(m2, e2 - k), fraction, false, fs);
        }
    }
    if (!fits(s)) return false;
    s += u'E';
    s += QString::number(k);
    // a shift that leaves no significant digit shows nothing worth reading; zero itself is fine
    TDecimal back;
    if (!ReadDecimal(s, back, fs)) return false;
    if (back.IsZero() && x != 0) return false;
    Text = s;
    return true;
}

bool TCalcResultViewer::DmsText(double x, QString& Text) const {
    if (!std::isfinite(x)) {
        Text = QStringLiteral("Error");
        return true;
    }
    const double a = std::fabs(x);
    double d = std::trunc(a);
    double m = std::trunc((a - d) * 60);
    if (!(m < 60)) {
        d += 1;
        m -= 60;
    }
    double s = (a - d - m / 60) * 3600;
    // two decimals, half away from zero
    s = s < 0 ? std::trunc(s / 0.01 - 0.5) * 0.01 : std::trunc(s / 0.01 + 0.5) * 0.01;
    if (!(s < 60)) {
        m += 1;
        if (!(m < 60)) {
            d += 1;
            m -= 60;
        }
        s -= 60;
    }
    const QString degrees =
        General(d, d < 1 ? FSignificantDigits - 1 : FSignificantDigits, 0, FFormatSettings);
    if (degrees.contains(u'E')) return false;
    // what rounds to 0°0′0″ has no sign to show, as -0.001 in Fix2 shows 0.00
    const bool negative = !(x >= 0) && (d != 0 || m != 0 || s != 0);
    Text = (negative ? QStringLiteral("-") : QString()) + degrees + QChar(0x00B0) +
           General(m, 15, 0, FFormatSettings) + QChar(0x2032) + General(s, 15, 0, FFormatSettings) +
           QChar(0x2033);
    return true;
}
