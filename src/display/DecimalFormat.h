#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>

// The decimal and group separators that display texts and the settings file use.
struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar GroupSeparator = u',';

    // The user's locale, read once per process (QLocale::system()).
    static const TFormatSettings& User();
    // "." and ",": what number texts built from keys use.
    static TFormatSettings Plain() { return {}; }
};

// The decimal primitives every double-to-text conversion is built from.
// P is a precision in significant digits, m a minimum exponent width.
// NaN and infinities give "NAN" ("-NAN" with the sign bit set), "INF" and "-INF".
namespace DecimalFormat {

constexpr int MaxDigits = 18;
// A decimals limit that never cuts.
constexpr int NoLimit = 1 << 30;

// A finite value as significant decimal digits: ±0.d1d2…dCount × 10^Exponent with
// d1 ≠ 0. Zero has no digits, exponent 0 and no sign.
struct TDecimal {
    bool Negative = false;
    int Exponent = 0;
    int Count = 0;
    std::array<std::uint8_t, MaxDigits> Digits{};

    bool IsZero() const { return Count == 0; }
};

// The 18 significant digits of a finite x, correctly rounded.
TDecimal Expand(double x);
// Keeps min(Exponent + L, P) digits, rounding half away from zero on the digits,
// and drops trailing zeros. What is left of nothing is an unsigned zero.
void Cut(TDecimal& d, int P, int L);
// Moves the decimal point: d × 10^Shift, exactly.
TDecimal Shift(TDecimal d, long long Shift);

// General form: fixed notation, or d.dddE-x when the exponent is out of range
// (E > P or E < -3). G(10, 0) writes 1234567890 in full and 12345678901 as
// 1.23456789E10.
QString General(double x, int P, int m, const TFormatSettings& fs = TFormatSettings::User());
QString General(TDecimal d, int P, int m, const TFormatSettings& fs = TFormatSettings::User());
// Fixed form with d decimals; Grouped inserts group separators. From 10^18 up
// both fall back to General(x, 18, d).
QString Fixed(double x, int d, const TFormatSettings& fs = TFormatSettings::User());
QString Grouped(double x, int d, const TFormatSettings& fs = TFormatSettings::User());
// Exponent form d.ddd...E+xxx with P significant digits.
QString Exponent(double x, int P, const TFormatSettings& fs = TFormatSettings::User());

// Pattern "0.###…" (with Grouping ",0.###…") with FractionDigits "#": up to that
// many decimals without trailing zeros; from 10^18 up General(x, 15, 0).
QString Pattern(double x, int FractionDigits, bool Grouping,
                const TFormatSettings& fs = TFormatSettings::User());
QString Pattern(const TDecimal& d, int FractionDigits, bool Grouping,
                const TFormatSettings& fs = TFormatSettings::User());
// Pattern "#.###…E+": one integer digit, up to FractionDigits decimals, an exponent
// with its sign and no zero fill (1.2345678E+3, 1.2E-4).
QString ExponentPattern(double x, int FractionDigits, const TFormatSettings& fs = TFormatSettings::User());

// Reads a number written with fs's decimal separator (either notation, no group
// separators). Returns false when the text is not such a number or lies beyond
// the range of a double; a value too small for a double reads as zero.
bool Read(const QString& Text, double& Value, const TFormatSettings& fs = TFormatSettings::User());
// Reads the same texts into exact decimal digits; false also for more than
// MaxDigits significant digits.
bool ReadDecimal(QStringView Text, TDecimal& Value, const TFormatSettings& fs = TFormatSettings::User());

} // namespace DecimalFormat
