#pragma once

#include <QChar>
#include <QString>

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
namespace DecimalFormat {

// General form: fixed notation, or d.dddE-x when the exponent is out of range
// (E > P or E < -3). G(10, 0) writes 1234567890 in full and 12345678901 as
// 1.23456789E10.
QString General(double x, int P, int m, const TFormatSettings& fs = TFormatSettings::User());
// Fixed form with d decimals; Grouped inserts group separators.
QString Fixed(double x, int d, const TFormatSettings& fs = TFormatSettings::User());
QString Grouped(double x, int d, const TFormatSettings& fs = TFormatSettings::User());
// Exponent form d.ddd...E+xxx with P significant digits.
QString Exponent(double x, int P, const TFormatSettings& fs = TFormatSettings::User());

// Reads a number written with fs's decimal separator (either notation, no group
// separators). Returns false when the text is not such a number.
bool Read(const QString& Text, double& Value, const TFormatSettings& fs = TFormatSettings::User());

} // namespace DecimalFormat
