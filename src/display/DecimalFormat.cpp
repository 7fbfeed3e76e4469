#include "DecimalFormat.h"

#include <QLocale>
#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

bool Usable(QChar c) {
    // a separator that could be read as part of a number would make texts ambiguous
    return !c.isNull() && !c.isDigit() && c != u'+' && c != u'-' && c != u'E' && c != u'e';
}

TFormatSettings FromLocale(const QLocale& locale) {
    TFormatSettings fs;
    const QString point = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (point.size() != 1 || !Usable(point[0])) return fs;
    fs.DecimalSeparator = point[0];
    if (group.size() == 1 && Usable(group[0]) && group[0] != point[0])
        fs.GroupSeparator = group[0];
    else
        fs.GroupSeparator = point[0] == u',' ? u'.' : u',';
    return fs;
}

} // namespace

const TFormatSettings& TFormatSettings::User() {
    static const TFormatSettings user = FromLocale(QLocale::system());
    return user;
}

namespace DecimalFormat {

namespace {

// Exponents beyond this are far outside any double; clamping keeps the arithmetic in range.
constexpr long long ExponentBound = 1 << 20;

class TText {
public:
    void Put(char16_t c) { FBuffer.append(c); }
    void Put(QChar c) { FBuffer.append(c.unicode()); }
    void Put(const char* s) {
        while (*s)
            FBuffer.append(char16_t(*s++));
    }
    void Digit(int d) { FBuffer.append(char16_t(u'0' + d)); }
    // |v| zero-filled to Width digits, after "-" when negative or "+" when Plus asks for it.
    void Int(long long v, int Width, bool Plus = false) {
        if (v < 0)
            Put(u'-');
        else if (Plus)
            Put(u'+');
        unsigned long long u = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : v;
        char16_t digits[24];
        int n = 0;
        do {
            digits[n++] = char16_t(u'0' + u % 10);
            u /= 10;
        } while (u != 0);
        for (int i = n; i < Width; ++i)
            Put(u'0');
        while (n > 0)
            Put(digits[--n]);
    }
    QString Take() const { return QString(reinterpret_cast<const QChar*>(FBuffer.data()), FBuffer.size()); }

private:
    QVarLengthArray<char16_t, 64> FBuffer;
};

bool Special(double x, QString& Text) {
    if (std::isnan(x)) {
        Text = std::signbit(x) ? QStringLiteral("-NAN") : QStringLiteral("NAN");
        return true;
    }
    if (std::isinf(x)) {
        Text = x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
        return true;
    }
    return false;
}

// The digit at decimal place Place (1 = first after the point); 0 where none is stored.
int DigitAt(const TDecimal& d, long long Place) {
    const long long index = d.Exponent + Place - 1;
    return index >= 0 && index < d.Count ? d.Digits[index] : 0;
}

// The integer part: "0" below 1, else the first Exponent digits zero-filled.
void PutInteger(TText& t, const TDecimal& d, bool Grouping, const TFormatSettings& fs) {
    if (d.Exponent <= 0) {
        t.Put(u'0');
        return;
    }
    for (int i = 0; i < d.Exponent; ++i) {
        if (Grouping && i > 0 && (d.Exponent - i) % 3 == 0) t.Put(fs.GroupSeparator);
        t.Digit(i < d.Count ? d.Digits[i] : 0);
    }
}

QString FixedForm(double x, int d, bool Grouping, const TFormatSettings& fs) {
    QString special;
    if (Special(x, special)) return special;
    d = std::clamp(d, 0, MaxDigits);
    TDecimal v = Expand(x);
    Cut(v, MaxDigits, d);
    if (v.Exponent > MaxDigits) return General(v, MaxDigits, d, fs);
    TText t;
    if (v.Negative) t.Put(u'-');
    PutInteger(t, v, Grouping, fs);
    if (d > 0) {
        t.Put(fs.DecimalSeparator);
        for (int place = 1; place <= d; ++place)
            t.Digit(DigitAt(v, place));
    }
    return t.Take();
}

// Significant digits, the decimal point's position among them and the exponent of a read number.
struct TScan {
    bool Negative = false;
    QVarLengthArray<char, 32> Digits;
    long long Point = 0;
    long long Exponent = 0;
};

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool Scan(QStringView Text, TScan& s, const TFormatSettings& fs) {
    qsizetype i = 0;
    const qsizetype n = Text.size();
    if (i < n && (Text[i] == u'+' || Text[i] == u'-')) s.Negative = Text[i++] == u'-';
    bool any = false;
    while (i < n && IsDigit(Text[i])) {
        s.Digits.append(char(Text[i++].unicode()));
        any = true;
    }
    s.Point = s.Digits.size();
    if (i < n && Text[i] == fs.DecimalSeparator) {
        ++i;
        while (i < n && IsDigit(Text[i])) {
            s.Digits.append(char(Text[i++].unicode()));
            any = true;
        }
    }
    if (!any) return false;
    if (i < n && (Text[i] == u'E' || Text[i] == u'e')) {
        ++i;
        bool negative = false;
        if (i < n && (Text[i] == u'+' || Text[i] == u'-')) negative = Text[i++] == u'-';
        if (i >= n || !IsDigit(Text[i])) return false;
        while (i < n && IsDigit(Text[i])) {
            // saturate: a longer exponent only says "far out of range"
            s.Exponent = std::min(s.Exponent * 10 + (Text[i++].unicode() - u'0'), 1'000'000'000LL);
        }
        if (negative) s.Exponent = -s.Exponent;
    }
    return i == n;
}

} // namespace

TDecimal Expand(double x) {
    TDecimal d;
    if (x == 0 || !std::isfinite(x)) return d;
    // d.ddddddddddddddddde±XXX: 18 significant digits, correctly rounded
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x),
                                   std::chars_format::scientific, MaxDigits - 1)
                         .ptr;
    d.Negative = std::signbit(x);
    d.Digits[0] = std::uint8_t(buffer[0] - '0');
    for (int i = 1; i < MaxDigits; ++i)
        d.Digits[i] = std::uint8_t(buffer[i + 1] - '0');
    const char* p = buffer + MaxDigits + 2; // past the 'e'
    const bool negative = *p++ == '-';
    int e = 0;
    while (p < end)
        e = e * 10 + (*p++ - '0');
    d.Exponent = (negative ? -e : e) + 1;
    d.Count = MaxDigits;
    while (d.Count > 0 && d.Digits[d.Count - 1] == 0)
        --d.Count;
    return d;
}

void Cut(TDecimal& d, int P, int L) {
    if (d.IsZero()) return;
    const long long n = std::min(static_cast<long long>(d.Exponent) + L, static_cast<long long>(P));
    if (n < 0) {
        d = TDecimal{};
        return;
    }
    if (n >= d.Count) return;
    const bool up = d.Digits[n] >= 5;
    d.Count = static_cast<int>(n);
    if (up) {
        int i = d.Count - 1;
        while (i >= 0 && d.Digits[i] == 9)
            --i;
        if (i < 0) {
            // 0.999… or nothing kept: the carry leaves a single 1 one place up
            d.Digits[0] = 1;
            d.Count = 1;
            ++d.Exponent;
        } else {
            ++d.Digits[i];
            d.Count = i + 1;
        }
    }
    while (d.Count > 0 && d.Digits[d.Count - 1] == 0)
        --d.Count;
    if (d.Count == 0) d = TDecimal{};
}

TDecimal Shift(TDecimal d, long long Shift) {
    if (d.IsZero()) return d;
    d.Exponent = static_cast<int>(std::clamp(d.Exponent + Shift, -ExponentBound, ExponentBound));
    return d;
}

QString General(TDecimal d, int P, int m, const TFormatSettings& fs) {
    P = std::clamp(P, 2, MaxDigits);
    if (m < 0 || m > 4) m = 0;
    Cut(d, P, NoLimit);
    if (d.IsZero()) return QStringLiteral("0");
    TText t;
    if (d.Negative) t.Put(u'-');
    const int e = d.Exponent;
    if (e > P || e < -3) {
        t.Digit(d.Digits[0]);
        if (d.Count > 1) {
            t.Put(fs.DecimalSeparator);
            for (int i = 1; i < d.Count; ++i)
                t.Digit(d.Digits[i]);
        }
        t.Put(u'E');
        t.Int(e - 1, m);
    } else if (e <= 0) {
        t.Put(u'0');
        t.Put(fs.DecimalSeparator);
        for (int i = 0; i < -e; ++i)
            t.Put(u'0');
        for (int i = 0; i < d.Count; ++i)
            t.Digit(d.Digits[i]);
    } else {
        PutInteger(t, d, false, fs);
        if (d.Count > e) {
            t.Put(fs.DecimalSeparator);
            for (int i = e; i < d.Count; ++i)
                t.Digit(d.Digits[i]);
        }
    }
    return t.Take();
}

QString General(double x, int P, int m, const TFormatSettings& fs) {
    QString special;
    if (Special(x, special)) return special;
    return General(Expand(x), P, m, fs);
}

QString Fixed(double x, int d, const TFormatSettings& fs) {
    return FixedForm(x, d, false, fs);
}

QString Grouped(double x, int d, const TFormatSettings& fs) {
    return FixedForm(x, d, true, fs);
}

QString Exponent(double x, int P, const TFormatSettings& fs) {
    QString special;
    if (Special(x, special)) return special;
    P = std::clamp(P, 2, MaxDigits);
    TDecimal v = Expand(x);
    Cut(v, P, NoLimit);
    TText t;
    if (v.Negative) t.Put(u'-');
    t.Digit(v.IsZero() ? 0 : v.Digits[0]);
    t.Put(fs.DecimalSeparator);
    for (int i = 1; i < P; ++i)
        t.Digit(i < v.Count ? v.Digits[i] : 0);
    t.Put(u'E');
    t.Int(v.IsZero() ? 0 : v.Exponent - 1, 3, true);
    return t.Take();
}

QString Pattern(const TDecimal& d, int FractionDigits, bool Grouping, const TFormatSettings& fs) {
    FractionDigits = std::clamp(FractionDigits, 0, NoLimit);
    TDecimal v = d;
    Cut(v, MaxDigits, FractionDigits);
    if (v.Exponent > MaxDigits) return General(d, 15, 0, fs);
    TText t;
    if (v.Negative) t.Put(u'-');
    PutInteger(t, v, Grouping, fs);
    const long long fraction = static_cast<long long>(v.Count) - v.Exponent;
    if (fraction > 0) {
        t.Put(fs.DecimalSeparator);
        for (long long place = 1; place <= fraction; ++place)
            t.Digit(DigitAt(v, place));
    }
    return t.Take();
}

QString Pattern(double x, int FractionDigits, bool Grouping, const TFormatSettings& fs) {
    QString special;
    if (Special(x, special)) return special;
    return Pattern(Expand(x), FractionDigits, Grouping, fs);
}

QString ExponentPattern(double x, int FractionDigits, const TFormatSettings& fs) {
    QString special;
    if (Special(x, special)) return special;
    FractionDigits = std::clamp(FractionDigits, 0, NoLimit);
    TDecimal v = Expand(x);
    Cut(v, FractionDigits + 1, NoLimit);
    if (v.IsZero()) return QStringLiteral("0E+0");
    TText t;
    if (v.Negative) t.Put(u'-');
    t.Digit(v.Digits[0]);
    if (v.Count > 1) {
        t.Put(fs.DecimalSeparator);
        for (int i = 1; i < v.Count; ++i)
            t.Digit(v.Digits[i]);
    }
    t.Put(u'E');
    t.Int(v.Exponent - 1, 0, true);
    return t.Take();
}

bool Read(const QString& Text, double& Value, const TFormatSettings& fs) {
    TScan s;
    if (!Scan(Text, s, fs)) return false;
    std::string ascii;
    ascii.reserve(s.Digits.size() + 16);
    if (s.Negative) ascii += '-';
    ascii.append(s.Digits.data(), s.Point);
    ascii += '.';
    ascii.append(s.Digits.data() + s.Point, s.Digits.size() - s.Point);
    ascii += 'e';
    ascii += std::to_string(s.Exponent);
    double v = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (ec == std::errc::result_out_of_range) {
        const auto first = std::find_if(s.Digits.begin(), s.Digits.end(), [](char c) { return c != '0'; });
        // out of range above is an overflow; below, the value is too small to tell from zero
        if (s.Exponent + s.Point - (first - s.Digits.begin()) > 0) return false;
        v = s.Negative ? -0.0 : 0.0;
    } else if (ec != std::errc{} || end != ascii.data() + ascii.size()) {
        return false;
    }
    Value = v;
    return true;
}

bool ReadDecimal(QStringView Text, TDecimal& Value, const TFormatSettings& fs) {
    TScan s;
    if (!Scan(Text, s, fs)) return false;
    qsizetype first = 0;
    qsizetype last = s.Digits.size();
    while (first < last && s.Digits[first] == '0')
        ++first;
    while (last > first && s.Digits[last - 1] == '0')
        --last;
    TDecimal d;
    if (first == last) {
        Value = d;
        return true;
    }
    if (last - first > MaxDigits) return false;
    const long long exponent = s.Exponent + s.Point - first;
    if (exponent > ExponentBound || exponent < -ExponentBound) return false;
    d.Negative = s.Negative;
    d.Exponent = static_cast<int>(exponent);
    d.Count = static_cast<int>(last - first);
    for (int i = 0; i < d.Count; ++i)
        d.Digits[i] = std::uint8_t(s.Digits[first + i] - '0');
    Value = d;
    return true;
}

} // namespace DecimalFormat
