// Typed text to a shown value: the bytes as the input line, read as UTF-8 and as
// raw UTF-16 (lone surrogates included), through the character normalisation,
// the converter (also collecting names for the variable-calculation mode),
// EvaluateText with a small variable store, and the result viewer in every
// display mode. A text without a value shows the bits of its first eight bytes
// as a double instead, so that every bit pattern reaches the formatting. The
// bytes are also evaluated as a list of expression keys.

#include "FuzzCheck.h"

#include "CalcResultViewer.h"
#include "CalculatorExpression.h"
#include "DecimalFormat.h"
#include "EvaluateText.h"
#include "ExpressionTextConvert.h"
#include "MojiConvert.h"
#include "VariableDictionary.h"

#include <QStringList>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const TVariableDictionary& Variables() {
    static const TVariableDictionary store = [] {
        TVariableDictionary v;
        v.AddOrSetValue(QStringLiteral("A"), 2);
        v.AddOrSetValue(QStringLiteral("RATE"), 0.1);
        v.AddOrSetValue(QStringLiteral("X1"), -1e300);
        v.AddOrSetValue(QStringLiteral("\u30C6\u30B9\u30C8"), 7); // a name typed in katakana
        v.AddOrSetValue(QStringLiteral("\u30AC"), 8);             // a voiced kana folds to two
        v.AddOrSetValue(QStringLiteral("TINY"), 5e-324);
        return v;
    }();
    return store;
}

TCalcValues Values(TAngleType Angle) {
    TCalcValues v;
    v.Ans = 1.5;
    v.PreAns = -2;
    v.VarM = 3;
    v.VarX = 0.25;
    v.VarY = -0.75;
    v.VarGT = 1e308;
    v.VarMCount = 2;
    v.VarGTCount = INT_MAX;
    v.AngleMode = Angle;
    return v;
}

// One way of showing a value.
struct TShow {
    TResultViewType Mode;
    int DigitNumber = -1;
    bool Grouping = false;
    bool Percent = false;
    TRoundSelector Round = rs54;
    int Eng = 0;
};

// Every display mode the commands and the popups reach, and the digit counts and
// shifts a damaged settings file can bring back.
const std::vector<TShow>& Shows() {
    static const std::vector<TShow> shows = [] {
        std::vector<TShow> s;
        for (bool grouping : {false, true})
            for (bool percent : {false, true})
                s.push_back({vtNormal, -1, grouping, percent});
        for (TRoundSelector round : {rs54, rsCut, rsUp}) {
            for (int d = 0; d <= 9; ++d) {
                s.push_back({vtFix, d, false, false, round});
                s.push_back({vtFix, d, true, d == 3, round});
            }
            s.push_back({vtSci, -1, false, false, round});
            for (int d = 2; d <= 9; ++d)
                s.push_back({vtSci, d, false, d == 4, round});
            for (int d : {INT_MIN, -7, 10, 17, 18, 19, 40, 400, INT_MAX}) {
                s.push_back({vtFix, d, d == 19, false, round});
                s.push_back({vtSci, d, false, false, round});
            }
        }
        for (int shift : {INT_MIN, -1000000, -400, -30, -9, -6, -4, -3, -2,  -1,      0,
                          1,       2,        3,    4,   5,  6,  9,  30, 400, 1000000, INT_MAX})
            s.push_back({vtEng, -1, false, false, rs54, shift});
        s.push_back({vtDms});
        s.push_back({vtDms, -1, false, true});
        s.push_back({vtHex});
        s.push_back({vtBin});
        s.push_back({vtNotView});
        return s;
    }();
    return shows;
}

QString Detail(double x, const TShow& s, const QString& Text) {
    return QStringLiteral("value %1 (%2) mode %3 digits %4 grouping %5 percent %6 round %7 eng %8: \"%9\"")
        .arg(DecimalFormat::General(x, 17, 0, TFormatSettings::Plain()))
        .arg(QString::number(std::bit_cast<std::uint64_t>(x), 16))
        .arg(int(s.Mode))
        .arg(s.DigitNumber)
        .arg(s.Grouping)
        .arg(s.Percent)
        .arg(int(s.Round))
        .arg(s.Eng)
        .arg(Text);
}

// The number a shown text stands for, group separators left out. Read with a
// wider range than a double's, since rounded to fewer digits the largest doubles
// show a number beyond it.
bool ReadShown(QString Text, const TFormatSettings& fs, long double& Value) {
    Text.remove(fs.GroupSeparator);
    Text.replace(fs.DecimalSeparator, u'.');
    for (QChar c : Text)
        if (!(c.isDigit() || c == u'.' || c == u'-' || c == u'+' || c == u'E')) return false;
    const QByteArray ascii = Text.toLatin1();
    char* end = nullptr;
    Value = std::strtold(ascii.constData(), &end);
    return !ascii.isEmpty() && end == ascii.constData() + ascii.size();
}

// What the text of each mode must say about the value, where the mode is exact
// enough to tell.
void CheckShown(double x, const TShow& s, const QString& Text, const TCalcResultViewer& Viewer,
                const TFormatSettings& fs) {
    const auto detail = [&] { return Detail(x, s, Text); };
    if (s.Mode == vtNormal) Require(!Text.isEmpty(), "a value in Normal mode shows some text", detail);
    if (s.Percent || !std::isfinite(x)) return;
    const long double ax = std::fabs(x);
    long double shown = 0;
    switch (s.Mode) {
    case vtNormal: {
        Require(ReadShown(Text, fs, shown), "a Normal text reads back", detail);
        // ten significant digits, nine below 1; fixed decimals (9) with grouping
        const long double bound = s.Grouping ? 0.5e-9 + ax * 1e-14 : ax * 1e-8;
        Require(std::fabs(shown - x) <= bound + DBL_MIN, "a Normal text is the value", detail);
        break;
    }
    case vtFix: {
        if (s.DigitNumber < 0 || s.DigitNumber > 9) break;
        if (Text == u"Error") {
            // only a directed rounding beyond the 64-bit range fails
            Require(s.Round != rs54 && ax * std::pow(10.0, s.DigitNumber) >= 9e18,
                    "Fix fails only beyond the 64-bit range", detail);
            break;
        }
        Require(ReadShown(Text, fs, shown), "a Fix text reads back", detail);
        const long double step = std::pow(10.0L, -s.DigitNumber);
        const long double slack = ax * 1e-15 + DBL_MIN;
        if (s.Round == rs54)
            Require(std::fabs(shown - x) <= step / 2 + slack, "Fix rounds to the nearest", detail);
        else if (s.Round == rsCut)
            Require(shown <= x + slack && shown >= x - step - slack, "Fix cut rounds down", detail);
        else
            Require(shown >= x - slack && shown <= x + step + slack, "Fix up rounds up", detail);
        break;
    }
    case vtSci: {
        if (s.DigitNumber < 2 || s.DigitNumber > 9 || s.Round != rs54) break;
        Require(ReadShown(Text, fs, shown), "a Sci text reads back", detail);
        Require(std::fabs(shown - x) <= ax * 0.5000001L * std::pow(10.0L, 1 - s.DigitNumber) + DBL_MIN,
                "Sci shows its significant digits", detail);
        break;
    }
    case vtEng: {
        // a shift that leaves nothing to show keeps the previous text
        if (Viewer.EngError()) break;
        const qsizetype e = Text.indexOf(u'E');
        Require(e > 0, "an Eng text has an exponent", detail);
        bool ok = false;
        const long long k = Text.mid(e + 1).toLongLong(&ok);
        Require(ok && k % 3 == 0, "an Eng exponent is a multiple of 3", detail);
        Require(ReadShown(Text, fs, shown), "an Eng text reads back", detail);
        // ten significant digits, then nine decimals of the shifted mantissa
        Require(std::fabs(shown - x) <=
                    ax * 1e-8L + 0.5000001L * std::pow(10.0L, static_cast<long double>(k - 9)) + DBL_MIN,
                "an Eng text is the value", detail);
        break;
    }
    case vtDms: {
        // ten billion degrees and more show in Normal mode
        if (Viewer.ViewMode() != vtDms) break;
        const qsizetype deg = Text.indexOf(QChar(0x00B0));
        const qsizetype min = Text.indexOf(QChar(0x2032));
        Require(deg > 0 && min > deg && Text.endsWith(QChar(0x2033)), "a DMS text has its marks", detail);
        long double d = 0, m = 0, sec = 0;
        Require(ReadShown(Text.left(deg), fs, d) && ReadShown(Text.mid(deg + 1, min - deg - 1), fs, m) &&
                    ReadShown(Text.mid(min + 1, Text.size() - min - 2), fs, sec),
                "a DMS text reads back", detail);
        Require(m >= 0 && m < 60 && sec >= 0 && sec < 60, "minutes and seconds stay below 60", detail);
        // seconds to two decimals
        const long double degrees = std::fabs(d) + m / 60 + sec / 3600;
        Require(std::fabs(degrees - ax) <= 0.0050001L / 3600 + ax * 1e-15L, "a DMS text is the value",
                detail);
        break;
    }
    case vtHex:
    case vtBin: {
        // up to 2^62, clear of the edge of the range
        if (ax > 4.6e18) break;
        const bool hex = s.Mode == vtHex;
        Require(Text.startsWith(hex ? u"0x" : u"0b"), "a base text has its prefix", detail);
        bool ok = false;
        const qulonglong bits = Text.mid(2).toULongLong(&ok, hex ? 16 : 2);
        Require(ok && static_cast<long long>(bits) == static_cast<long long>(std::nearbyint(x)),
                "a base text is the value rounded to an integer", detail);
        break;
    }
    default:
        break;
    }
}

void Show(double x, const TFormatSettings& fs) {
    for (const TShow& s : Shows()) {
        TCalcResultViewer viewer(fs);
        viewer.SetViewMode(s.Mode);
        viewer.SetDigitNumber(s.DigitNumber);
        viewer.SetIsGroupingSeparator(s.Grouping);
        viewer.SetIsPercent(s.Percent);
        viewer.SetRoundSelector(s.Round);
        viewer.SetEng(s.Eng);
        viewer.SetValue(x);
        CheckShown(x, s, MustNotThrow("DisplayText", [&] { return viewer.DisplayText(); }), viewer, fs);
    }
}

void Convert(const QString& Text) {
    const QString signs = ConvertOperatorSigns(Text);
    Require(signs.size() == Text.size(), "operator signs keep the length", Text);
    const QString folded = ConvertHalfWidthUpper(signs);
    for (QChar c : folded)
        Require(c < u'a' || c > u'z', "no small ASCII letter after folding", folded);
    Require(ConvertHalfWidthUpper(folded) == folded, "folding twice changes nothing", folded);

    TKeyList keys;
    TExpressionTextConvert convert(&keys, &Variables());
    const bool converted = convert.Convert(Text);
    Require(convert.ErrorIndex() >= 0 && convert.ErrorIndex() <= folded.size(),
            "a failure position lies in the text", Text);
    if (converted) Require(convert.ErrorIndex() == 0, "a success has no failure position", Text);

    QStringList names;
    TKeyList calcKeys;
    TExpressionTextConvert calcConvert;
    calcConvert.SetKeyList(&calcKeys);
    calcConvert.SetIsVarCalcMode(true);
    calcConvert.SetCalcModeVariableList(&names);
    calcConvert.Convert(Text);
    for (const QString& n : names)
        Require(!n.isEmpty(), "a collected name is not empty", Text);
}

// The value, when the text has one.
bool Evaluate(const QString& Text, TAngleType Angle, double& Value) {
    const TEvalOutcome o =
        MustNotThrow("EvaluateText", [&] { return EvaluateText(Text, Variables(), Values(Angle)); });
    // Enter evaluates the line folded to half width, the live preview the line as
    // typed: both show the same (away from the length limit, which folding moves)
    const QString folded = ConvertHalfWidthUpper(Text);
    if (Text.size() <= TExpressionTextConvert::MaxTextLength &&
        folded.size() <= TExpressionTextConvert::MaxTextLength) {
        const TEvalOutcome e =
            MustNotThrow("EvaluateText", [&] { return EvaluateText(folded, Variables(), Values(Angle)); });
        Require(e.Kind == o.Kind && OutcomeMessage(e) == OutcomeMessage(o) &&
                    (!o.Succeeded() ||
                     std::bit_cast<std::uint64_t>(e.Value) == std::bit_cast<std::uint64_t>(o.Value)),
                "Enter shows what the preview showed", Text);
    }
    if (!o.Succeeded()) {
        Require(!OutcomeMessage(o).isEmpty(), "a failure has a message", Text);
        Require(o.ErrorIndex >= 0, "a failure position is not negative", Text);
        return false;
    }
    Require(std::isfinite(o.Value), "a value is finite", Text);
    Require(OutcomeMessage(o).isEmpty(), "a value has no message", Text);
    Value = o.Value;
    return true;
}

// The bytes as a key list of their own, as no text makes it: every key, markers
// included, reaches the normalisation and the evaluator, and so do the keys
// that no word of the input line produces (DMS, Pol, Rec).
void EvaluateKeys(const std::uint8_t* Data, std::size_t Size, TAngleType Angle) {
    TKeyList keys;
    keys.reserve(qsizetype(Size));
    for (std::size_t i = 0; i < Size; ++i)
        keys.append(TExpressionKey(Data[i] % (ekExressionKeyEnd + 1)));
    TCalculatorExpression e;
    e.SetKeyList(keys);
    e.SetVariableDictionary(&Variables());
    e.SetValues(Values(Angle));
    try {
        Require(std::isfinite(e.Calc()), "a value of keys is finite");
    } catch (const EExpressionError& error) {
        Require(error.ErrorNumber() != enNotError, "an error has its number");
    } catch (const EMathFault&) {
    } catch (const std::exception&) {
        // a variable number the store does not hold, as EvaluateText expects
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
    std::vector<char16_t> units(Size / 2);
    if (!units.empty()) std::memcpy(units.data(), Data, units.size() * 2);
    const QString utf16 = QString::fromUtf16(units.data(), qsizetype(units.size()));
    const TAngleType angle = TAngleType(Size % 3);
    // a locale that writes a decimal comma as well as the plain one
    const TFormatSettings fs = Size % 2 ? TFormatSettings{u',', u'.'} : TFormatSettings::Plain();

    // Every mode shows one value: the text's, or else the bits of the first
    // eight bytes.
    double value = 0;
    bool valued = false;
    for (const QString& text : {utf8, utf16}) {
        Convert(text);
        double v = 0;
        if (Evaluate(text, angle, v) && !valued) {
            value = v;
            valued = true;
        }
    }
    if (!valued && Size >= sizeof(double)) {
        std::memcpy(&value, Data, sizeof value);
        valued = true;
    }
    if (valued) Show(value, fs);
    EvaluateKeys(Data, Size, angle);
    return 0;
}
