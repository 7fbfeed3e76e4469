#include "Expression.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <numeric>
#include <string>
#include <string_view>

namespace {

constexpr double Pi = 3.141592653589793;

[[noreturn]] void Fault(TMathFaultKind Kind) {
    throw EMathFault(Kind);
}

// An operation's result: NaN made from numbers is an invalid operation, an
// infinite value made from finite numbers an overflow.
double Checked(double Result, double A, double B) {
    if (std::isnan(Result) && !std::isnan(A) && !std::isnan(B)) Fault(mfInvalidOp);
    if (std::isinf(Result) && std::isfinite(A) && std::isfinite(B)) Fault(mfOverflow);
    return Result;
}

double Checked(double Result, double X) {
    return Checked(Result, X, 0);
}

double Sqrt(double X) {
    if (X < 0) Fault(mfInvalidOp);
    return std::sqrt(X);
}

// every logarithm has its pole at 0 and no value for a negative number
double Logarithm(double (*Function)(double), double X) {
    if (X == 0) Fault(mfZeroDivide);
    if (X < 0) Fault(mfInvalidOp);
    return Function(X);
}

double Exp(double X) {
    return Checked(std::exp(X), X);
}

double InverseCircular(double (*Function)(double), double X) {
    if (std::fabs(X) > 1) Fault(mfInvalidOp);
    return Function(X);
}

double ArcCosH(double X) {
    if (X < 1) Fault(mfInvalidOp);
    return std::acosh(X);
}

// the ends of the domain give infinite values; the caller's check reports them
double ArcTanH(double X) {
    if (std::fabs(X) > 1) Fault(mfInvalidOp);
    if (std::fabs(X) == 1) return std::copysign(HUGE_VAL, X);
    return std::atanh(X);
}

// X rounded to 15 significant decimal digits is a whole number
bool IsWholeTo15Digits(double X) {
    // Rounding to 15 digits moves X by at most 5E-15 of its size. Below 1E13 a
    // value farther than 1E-13 of its size from the nearest whole number stays
    // clear of it after rounding, so only values close to one are spelled out.
    const double magnitude = std::fabs(X);
    if (magnitude < 1E13 && std::fabs(X - std::round(X)) > magnitude * 1E-13) return false;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, X, std::chars_format::scientific, 14);
    double rounded = X;
    std::from_chars(text, written.ptr, rounded);
    return rounded == std::trunc(rounded);
}

// The C locale, so that a number text reads the same whatever the user's
// locale says about decimal points.
locale_t ClassicLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// The text of a number key, as KeyToText writes it: nothing for the range marks.
void AppendNumberChar(std::string& Text, TExpressionKey Key) {
    if (IsDigitKey(Key))
        Text += char('0' + (Key - ek0));
    else if (Key >= ekHexA && Key <= ekHexF)
        Text += char('A' + (Key - ekHexA));
    else if (Key == ekDot)
        Text += '.';
    else if (Key == ekE)
        Text += 'E';
    else if (Key == ekPlus)
        Text += '+';
    else if (Key == ekMinus)
        Text += '-';
}

// A plain decimal, such as 12, -3 or 2.5, of at most 15 digits: its digits make
// a whole number that a double holds exactly, and so does the power of ten that
// divides it, so one correctly rounded division gives the very double that the
// full conversion gives. Anything else (an exponent, more digits) is left to it.
bool QuickDecimal(std::string_view Text, double& Value) {
    constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = 0;
    const bool negative = !Text.empty() && Text[0] == '-';
    if (negative) ++i;
    std::int64_t digits = 0;
    int count = 0;
    int fraction = -1; // digits after the point, -1 before one is seen
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15) return false;
            digits = digits * 10 + (c - '0');
            if (fraction >= 0) ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    const double magnitude = double(digits) / kPowers[std::max(fraction, 0)];
    Value = negative ? -magnitude : magnitude;
    return true;
}

const char* FaultText(TMathFaultKind Kind) {
    switch (Kind) {
    case mfZeroDivide:
        return "Floating point division by zero";
    case mfOverflow:
        return "Floating point overflow";
    case mfInvalidOp:
        break;
    }
    return "Invalid floating point operation";
}

} // namespace

EExpressionError::EExpressionError(TExpressionErrorNumber AErrorNumber, int AErrorIndex)
    : std::runtime_error("Error"), FErrorNumber(AErrorNumber), FErrorIndex(AErrorIndex) {}

EMathFault::EMathFault(TMathFaultKind AKind) : std::runtime_error(FaultText(AKind)), FKind(AKind) {}

double TExpression::Add(double A, double B) {
    return Checked(A + B, A, B);
}

double TExpression::Subtract(double A, double B) {
    return Checked(A - B, A, B);
}

double TExpression::Multiply(double A, double B) {
    return Checked(A * B, A, B);
}

double TExpression::Divide(double A, double B) {
    if (B == 0) Fault(A == 0 || std::isnan(A) ? mfInvalidOp : mfZeroDivide);
    return Checked(A / B, A, B);
}

// ---- normalisation ----

void TExpression::SetKeyList(const TKeyList& List) {
    FKeyList = &List;
    FormulaKeys.clear();
    FormulaKeys.reserve(List.size() + List.size() / 4 + 8);
    FormulaKeys.append(List);
    FormulaKeys.append(ekEnd);
    if (FOrigins) {
        FOrigins->resize(FormulaKeys.size());
        std::iota(FOrigins->begin(), FOrigins->end(), 0);
    }
    NormalizeKeyList();
}

QList<int> TExpression::KeyOrigins(const TKeyList& Keys) {
    QList<int> origins;
    TExpression normalize;
    normalize.FOrigins = &origins;
    normalize.SetKeyList(Keys);
    return origins;
}

void TExpression::InsertKeys(int Index, TExpressionKey Key, int Count) {
    FormulaKeys.insert(Index, Count, Key);
    if (FOrigins) FOrigins->insert(Index, Count, Index > 0 ? FOrigins->at(Index - 1) : 0);
}

void TExpression::NormalizeKeyList() {
    TKeyList& k = FormulaKeys;
    // inserted keys are visited in their turn: the count is read at every step.
    // A key takes at most one of the rules, so only the rule for its kind is tried.
    for (int i = 0; i < k.size() - 1; ++i) {
        const TExpressionKey key = k.at(i);
        switch (key) {
        case ekRParen:
            InsertImpliedMulAfter(ekRParen, i);
            break;
        case ekAdd:
            MarkUnarySign(i, ekAdd, ekPlus);
            break;
        case ekSub:
            MarkUnarySign(i, ekSub, ekMinus);
            break;
        case ekSquare:
        case ekCube:
        case ekReciprocal:
        case ekFactorial:
            InsertImpliedMulBeforeNumber(key, i);
            break;
        default:
            if (IsVariableKey(key)) InsertImpliedMulAfter(key, i);
            break;
        }
    }
    for (int i = 0; i < k.size() - 1; ++i) {
        if (k.at(i) == ekPlus)
            DropUnaryPlus(i);
        else if (k.at(i) == ekMinus)
            ExpandUnaryMinus(i);
    }
    if (!k.contains(ekNil)) return; // no sign was dropped: none to give back or remove
    RestoreExponentPlus();
    if (!FOrigins) {
        k.removeAll(ekNil);
        return;
    }
    qsizetype kept = 0;
    for (qsizetype i = 0; i < k.size(); ++i) {
        if (k.at(i) == ekNil) continue;
        k[kept] = k.at(i);
        (*FOrigins)[kept] = FOrigins->at(i);
        ++kept;
    }
    k.resize(kept);
    FOrigins->resize(kept);
}

// The keys just before Limit are an exponent mark followed only by digits and
// signs.
bool TExpression::IsInExponent(int Limit) const {
    int i = Limit - 1;
    while (i >= 0 && (IsDigitKey(FormulaKeys.at(i)) || IsSignKey(FormulaKeys.at(i))))
        --i;
    return i >= 0 && FormulaKeys.at(i) == ekE;
}

void TExpression::InsertImpliedMulAfter(TExpressionKey Key, int Index) {
    if (FormulaKeys.at(Index) != Key) return;
    const TExpressionKey next = FormulaKeys.at(Index + 1);
    if (next == ekEnd || IsOperatorKey(next) || IsPowerKey(next) || next == ekFactorial || next == ekRParen ||
        next == ekComma)
        return;
    InsertKeys(Index + 1, ekMultiPriority1);
}

void TExpression::InsertImpliedMulBeforeNumber(TExpressionKey Key, int Index) {
    if (FormulaKeys.at(Index) == Key && IsNumberKey(FormulaKeys.at(Index + 1)))
        InsertKeys(Index + 1, ekMultiPriority1);
}

// A plus or minus that cannot stand between two operands becomes a sign.
void TExpression::MarkUnarySign(int Index, TExpressionKey Binary, TExpressionKey Unary) {
    if (FormulaKeys.at(Index) != Binary) return;
    bool unary = true;
    if (Index > 0) {
        const TExpressionKey previous = FormulaKeys.at(Index - 1);
        // Pol( and Rec( carry their opening parenthesis
        if (previous == ekLParen || IsOperatorKey(previous) || IsFunctionKey(previous) ||
            previous == ekPower || previous == ekComma || previous == ekPol || previous == ekRec) {
            unary = true;
        } else if (IsSignKey(previous)) {
            // the second sign of 1E--5 is an operator: the first one belongs to the exponent
            unary = !IsInExponent(Index - 1);
        } else if (previous == ekE) {
            const TExpressionKey next = FormulaKeys.at(Index + 1);
            unary = next == ekEnd || IsDigitKey(next) || IsOperatorKey(next);
        } else {
            unary = false;
        }
    }
    if (unary) FormulaKeys[Index] = Unary;
}

void TExpression::DropUnaryPlus(int Index) {
    if (FormulaKeys.at(Index) != ekPlus) return;
    const TExpressionKey next = FormulaKeys.at(Index + 1);
    if (IsSignKey(next) || IsNumberKey(next) || IsFunctionOrVariableKey(next) || next == ekLParen)
        FormulaKeys[Index] = ekNil;
}

// A minus before anything but a number becomes a multiplication by -1 that
// binds tighter than every operator; a minus before a number is read with it.
void TExpression::ExpandUnaryMinus(int Index) {
    if (FormulaKeys.at(Index) != ekMinus) return;
    const TExpressionKey next = FormulaKeys.at(Index + 1);
    if (next == ekEnd) return;
    if (!(IsSignKey(next) && !IsInExponent(Index)) && !IsFunctionOrVariableKey(next) && next != ekLParen)
        return;
    FormulaKeys[Index] = ekLParen;
    const TExpressionKey tail[] = {ekMinus, ek1, ekRParen, ekMultiPriority2};
    InsertKeys(Index + 1, ekNil, int(std::size(tail)));
    std::copy(std::begin(tail), std::end(tail), FormulaKeys.begin() + Index + 1);
}

// The plus of an exponent such as 1E+5 was dropped because a number follows it;
// it is given back here.
void TExpression::RestoreExponentPlus() {
    bool exponent = false;
    for (TExpressionKey& key : FormulaKeys) {
        if (key == ekE) {
            exponent = true;
        } else if (exponent) {
            if (key == ekNil)
                key = ekPlus;
            else if (!IsDigitKey(key) && !IsSignKey(key))
                exponent = false;
        }
    }
}

// ---- tokens ----

double TExpression::Calc() {
    if (FormulaKeys.isEmpty()) return 0;
    FErrorNumber = enNotError;
    FErrorIndex = 0;
    Depth = 0;
    C = FormulaKeys.at(0);
    FormulaIndex = 1;
    NextToken();
    const double r = EvalSum();
    if (Token != ekNewLine) RaiseError(enSyntaxError);
    return r;
}

void TExpression::RaiseError(TExpressionErrorNumber AErrorNumber) {
    FErrorIndex = std::max(FormulaIndex - 2, 1);
    // nothing more is read
    FormulaIndex = int(FormulaKeys.size());
    Token = ekNewLine;
    FErrorNumber = AErrorNumber;
    throw EExpressionError(AErrorNumber, FErrorIndex);
}

void TExpression::RaiseNotFinite(double X) {
    RaiseError(std::isnan(X) ? enNanError : enInfinityError);
}

[[gnu::noinline]] void TExpression::NextToken() {
    if (FormulaIndex >= FormulaKeys.size()) {
        Token = ekNewLine;
        return;
    }
    switch (C) {
    case ekPlus:
    case ekMinus:
        if (IsNumberKey(FormulaKeys.at(FormulaIndex))) {
            ReadNumber();
            Token = ekNumber;
            return;
        }
        break; // a sign before anything else is passed over
    case ekDms:
        ReadDms(QString());
        Token = ekNumber;
        return;
    case ekAdd:
    case ekSub:
        Oprt = C;
        Token = ekOperator1;
        break;
    case ekMulti:
    case ekDiv:
        Oprt = C;
        Token = ekOperator2;
        break;
    case ekMultiPriority1:
        Oprt = C;
        Token = ekOperator3;
        break;
    case ekPower:
        Oprt = C;
        Token = ekOperator4;
        break;
    case ekPowerRoot:
    case ekFactorial:
    case ekSquare:
    case ekCube:
    case ekReciprocal:
        Oprt = C;
        Token = ekOperator5;
        break;
    case ekMultiPriority2:
        Oprt = C;
        Token = ekOperator6;
        break;
    default:
        if (IsNumberKey(C)) {
            ReadNumber();
            Token = ekNumber;
            return;
        }
        if (C == ekRParen || C == ekComma || C == ekLParen || (C >= ekFunctionStart && C <= ekVariableEnd))
            Token = C;
        else
            Token = ekOthers;
        break;
    }
    Advance();
}

// Reads the number that begins at C (which may be its sign) into Value and
// leaves C on the first key after it.
// The text is gathered in a buffer kept from one number to the next, so reading
// a number allocates nothing.
[[gnu::noinline]] void TExpression::ReadNumber() {
    std::string& text = FNumberText;
    text.clear();
    do {
        AppendNumberChar(text, C);
        Advance();
    } while (FormulaIndex < FormulaKeys.size() && IsNumberKey(C));
    // an exponent takes a sign but no decimal point
    if (FormulaIndex >= 2 && FormulaKeys.at(FormulaIndex - 2) == ekE && IsSignKey(C)) {
        do {
            AppendNumberChar(text, C);
            Advance();
        } while (FormulaIndex < FormulaKeys.size() && (IsDigitKey(C) || IsSignKey(C)));
    }
    if (text.starts_with('E'))
        text.insert(text.begin(), '1');
    else if (text.starts_with("-E"))
        text.insert(text.begin() + 1, '1');
    if (C == ekDms)
        ReadDms(QString::fromLatin1(text.data(), qsizetype(text.size())));
    else
        Value = ConvertNumber(text);
}

// Degrees, minutes and seconds separated by degree signs; the caller stands on
// the first degree sign. A fourth part is read and dropped.
[[gnu::noinline]] void TExpression::ReadDms(const QString& DegreesText) {
    QString parts[3] = {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    QString text = DegreesText;
    const auto partGoesOn = [this] {
        return (C == ekDms || IsDecimalKey(C)) && FormulaIndex < FormulaKeys.size();
    };
    for (QString& part : parts) {
        if (!text.isEmpty()) part = text;
        if (!partGoesOn()) break;
        Advance();
        if (!partGoesOn()) break;
        text.clear();
        if (C == ekDms) continue;
        do {
            text += KeyToText(C);
            Advance();
        } while (FormulaIndex < FormulaKeys.size() && IsDecimalKey(C));
    }
    const double degrees = ConvertNumber(parts[0]);
    const double minutes = ConvertNumber(parts[1]);
    const double seconds = ConvertNumber(parts[2]);
    Value = Add(Add(Divide(minutes, 60), degrees), Divide(seconds, 3600));
}

// A decimal literal with "." and an optional exponent, read the same in every
// locale. A value beyond the double range does not convert; one too small for
// it becomes zero.
double TExpression::ConvertNumber(const QString& Text) {
    const QByteArray text = Text.toLatin1();
    return ConvertNumber(std::string(text.constData(), std::size_t(text.size())));
}

double TExpression::ConvertNumber(const std::string& Text) {
    double value = 0;
    if (QuickDecimal(Text, value)) return value;
    const char* begin = Text.c_str();
    char* end = nullptr;
    value = strtod_l(begin, &end, ClassicLocale());
    if (Text.empty() || end != begin + Text.size() || std::isinf(value)) RaiseError(enSyntaxError);
    return value;
}

// ---- grammar ----

double TExpression::EvalSum() {
    double r = EvalProduct();
    while (Token == ekOperator1) {
        const TExpressionKey op = Oprt;
        NextToken();
        const double t = EvalProduct();
        r = op == ekAdd ? Add(r, t) : Subtract(r, t);
    }
    return r;
}

[[gnu::always_inline]] inline double TExpression::EvalProduct() {
    double r = EvalImpliedProduct();
    while (Token == ekOperator2) {
        const TExpressionKey op = Oprt;
        NextToken();
        const double t = EvalImpliedProduct();
        r = op == ekMulti ? Multiply(r, t) : Divide(r, t);
    }
    CheckValue(r);
    return r;
}

// 2(3), 2π and 2 sin 30 multiply here, tighter than × and ÷: 6÷2π is 6÷(2π).
[[gnu::always_inline]] inline double TExpression::EvalImpliedProduct() {
    double r = EvalPower();
    for (;;) {
        if (Token == ekOperator3) {
            NextToken();
        } else if (Token <= ekOmissionMulop) {
            break;
        }
        const double t = EvalPower();
        r = Multiply(r, t);
    }
    CheckValue(r);
    return r;
}

// Powers associate to the left: 2^3^2 is 64.
[[gnu::always_inline]] inline double TExpression::EvalPower() {
    double b = EvalPostfix();
    while (Token == ekOperator4) {
        NextToken();
        const double e = EvalPostfix();
        if (std::fabs(b) <= 1E-12 && std::fabs(e) <= 1E-12) RaiseError(enNanError);
        b = Power(b, e);
    }
    CheckValue(b);
    return b;
}

[[gnu::always_inline]] inline double TExpression::EvalPostfix() {
    double r = EvalSignedProduct();
    while (Token == ekOperator5) {
        switch (Oprt) {
        case ekFactorial:
            r = Factorial(r);
            break;
        case ekSquare:
            r = Power(r, 2);
            break;
        case ekCube:
            r = Power(r, 3);
            break;
        case ekReciprocal:
            r = Power(r, -1);
            break;
        default: {
            // the root: r is the degree, the operand follows
            NextToken();
            const double x = EvalSignedProduct();
            r = Power(x, Divide(1, r));
            continue;
        }
        }
        NextToken();
    }
    CheckValue(r);
    return r;
}

// Carries the (-1)× that a negated operand was given, so a minus binds tighter
// than every operator: -π² is (-π)².
double TExpression::EvalSignedProduct() {
    // every level of nesting passes here once; an error ends the evaluation,
    // and Calc starts the count afresh
    if (Depth >= MaxNestingDepth) RaiseError(enSyntaxError);
    ++Depth;
    double r = EvalPrimary();
    while (Token == ekOperator6) {
        NextToken();
        const double t = EvalPrimary();
        r = Multiply(r, t);
    }
    CheckValue(r);
    --Depth;
    return r;
}

double TExpression::EvalPrimary() {
    double r = 0;
    try {
        switch (Token) {
        case ekNumber:
            r = Value;
            NextToken();
            break;
        case ekLParen:
            NextToken();
            r = EvalSum();
            // a comma also closes a parenthesis, and one still open at the end needs no closing key
            if (Token == ekRParen || Token == ekComma)
                NextToken();
            else if (FormulaIndex < FormulaKeys.size())
                RaiseError(enSyntaxError);
            break;
        case ekPi:
            r = Pi;
            NextToken();
            break;
        default:
            if (Token < ekSin || Token > ekBin) RaiseError(enSyntaxError);
            r = EvalFunction(Token);
            break;
        }
    } catch (const EMathFault& fault) {
        switch (fault.Kind()) {
        case mfZeroDivide:
            RaiseError(enInfinityError);
        case mfOverflow:
            RaiseError(enNanError);
        case mfInvalidOp:
            break;
        }
        RaiseError(enMathError);
    }
    CheckValue(r);
    return r;
}

// ---- functions ----

double TExpression::EvalFunction(TExpressionKey Key) {
    if (Key == ekHex || Key == ekBin) return EvalLiteral(Key);
    NextToken();
    switch (Key) {
    case ekLogN: {
        const double base = EvalImpliedProduct();
        NextToken(); // whatever stands between base and argument
        const double x = EvalImpliedProduct();
        return ApplyFunction(Key, base, x);
    }
    case ekLogXY:
    case ekRoundOff: {
        const double a = EvalFirstArgument();
        const double b = EvalSum();
        if (Token == ekRParen) NextToken();
        return ApplyFunction(Key, a, b);
    }
    default:
        return ApplyFunction(Key, EvalImpliedProduct(), 0);
    }
}

// f(a, b): the function's parenthesis holds both arguments and the comma ends
// the first, so nothing of b is multiplied into a.
double TExpression::EvalFirstArgument() {
    if (Token != ekLParen) RaiseError(enSyntaxError);
    NextToken();
    const double a = EvalSum();
    if (Token != ekComma) RaiseError(enSyntaxError);
    NextToken();
    return a;
}

// The computing half of a function, kept out of the recursion's frames. X is
// the argument, or the first of two.
[[gnu::noinline]] double TExpression::ApplyFunction(TExpressionKey Key, double X, double Y) {
    switch (Key) {
    case ekSqrt:
        return Sqrt(X);
    case ekLog10:
        return Logarithm(std::log10, X);
    case ekLn:
    case ekLogE:
        return Logarithm(std::log, X);
    case ekLog2:
        return Logarithm(std::log2, X);
    case ekLogN:
    case ekLogXY:
        // the logarithm of Y to base X
        return Divide(Logarithm(std::log2, Y), Logarithm(std::log2, X));
    case ekExp10:
        return Power(10, X);
    case ekExp:
        return Exp(X);
    case ekAbs:
        return std::fabs(X);
    case ekInt:
        return std::trunc(X);
    case ekFrac:
        return Subtract(X, std::trunc(X));
    // the exact whole number, whatever its size; adding 0 turns -0 into 0
    case ekCeil:
        return std::ceil(X) + 0.0;
    case ekFloor:
        return std::floor(X) + 0.0;
    case ekRoundOff: {
        // half away from zero at the position of 10^d; a position beyond the
        // double range fails in Power
        const double f = Power(10, std::trunc(Y));
        const double q = Divide(X, f);
        return Multiply(std::trunc(X >= 0 ? Add(q, 0.5) : Subtract(q, 0.5)), f);
    }
    default:
        return CalcTrigFunction(Key, X);
    }
}

// hex and bin read their digits from the key right after the function key,
// inside a parenthesis or without one
[[gnu::noinline]] double TExpression::EvalLiteral(TExpressionKey Key) {
    const bool parenthesis = C == ekLParen;
    if (parenthesis) {
        Token = ekLParen;
        Advance();
    }
    const double r = Key == ekHex ? ReadHexValue() : ReadBinValue();
    if (parenthesis) NextToken();
    NextToken();
    return r;
}

// Collects the digits of a hex or bin literal starting at C. Without any, the
// value is 0 and Token stays, or becomes ekNewLine at the end of the list.
bool TExpression::ReadLiteralText(QString& Text) {
    if (FormulaIndex >= FormulaKeys.size()) {
        Token = ekNewLine;
        return false;
    }
    if (!IsNumberKey(C)) return false;
    do {
        Text += KeyToText(C);
        Advance();
    } while (FormulaIndex < FormulaKeys.size() && IsNumberKey(C));
    Token = ekNumber;
    return true;
}

double TExpression::ReadHexValue() {
    QString text;
    if (!ReadLiteralText(text)) return 0;
    // at most 8 significant digits: the 32 bits of a signed integer
    qsizetype first = 0;
    while (first < text.size() - 1 && text.at(first) == u'0')
        ++first;
    if (text.size() - first > 8) RaiseError(enSyntaxError);
    std::uint32_t bits = 0;
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            RaiseError(enSyntaxError);
        bits = bits << 4 | std::uint32_t(digit);
    }
    return std::int32_t(bits);
}

double TExpression::ReadBinValue() {
    QString text;
    if (!ReadLiteralText(text)) return 0;
    for (QChar c : text)
        if (c != u'0' && c != u'1') RaiseError(enSyntaxError);
    // summed as a signed 64-bit integer, whose low 32 bits are the value
    std::int64_t sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(text.size() - 1 - i) != u'1') continue;
        if (i >= 63) Fault(mfInvalidOp);
        sum += std::int64_t(1) << i;
    }
    return std::int32_t(std::uint32_t(std::uint64_t(sum)));
}

[[gnu::noinline]] double TExpression::Power(double Base, double Exponent) {
    if (Exponent == std::trunc(Exponent) && std::fabs(Exponent) <= 2147483647.0) {
        // repeated squaring; the base is squared only while a square is still
        // needed, so 2^1000 does not overflow on the way
        auto n = std::uint32_t(std::fabs(Exponent));
        double r = 1;
        double square = Base;
        while (n != 0) {
            if (n & 1) r = Multiply(r, square);
            n >>= 1;
            if (n != 0) square = Multiply(square, square);
        }
        return Exponent < 0 ? Divide(1, r) : r;
    }
    if (Base == 0) return 0;
    // a negative base has no logarithm: (-8)^(1/3) is a fault, not -2
    return Exp(Multiply(Exponent, Logarithm(std::log, Base)));
}

// Only the whole numbers 0 … 69 have a factorial; 69! is about 1.7E98.
[[gnu::noinline]] double TExpression::Factorial(double X) {
    if (!(X >= 0 && X <= 69 && X == std::trunc(X))) RaiseError(enNanError);
    double r = 1;
    for (double k = 1; k <= X; k += 1)
        r = Multiply(k, r);
    return r;
}

[[gnu::noinline]] double TExpression::CalcTrigFunction(TExpressionKey Key, double X) {
    const bool circular = Key == ekSin || Key == ekCos || Key == ekTan;
    if (circular) {
        if (FAngleMode == atDeg)
            X = Multiply(X, DegToRad);
        else if (FAngleMode == atGrad)
            X = Multiply(X, GradToRad);
        if (std::fabs(X) > 2E8 || std::isnan(X)) RaiseError(enNanError);
    }
    double v = 0;
    switch (Key) {
    case ekSin:
        // whole multiples of π give exactly 0
        v = IsWholeTo15Digits(Divide(X, Pi)) ? 0 : std::sin(X);
        break;
    case ekCos:
        v = IsWholeTo15Digits(Divide(Subtract(X, Pi / 2), Pi)) ? 0 : std::cos(X);
        break;
    case ekTan:
        if (std::fabs(std::cos(X)) <= 1E-15) RaiseError(enInfinityError);
        v = std::tan(X);
        break;
    case ekArcSin:
        v = InverseCircular(std::asin, X);
        break;
    case ekArcCos:
        v = InverseCircular(std::acos, X);
        break;
    case ekArcTan:
        v = std::atan(X);
        break;
    case ekSinH:
        v = Checked(std::sinh(X), X);
        break;
    case ekCosH:
        v = Checked(std::cosh(X), X);
        break;
    case ekTanH:
        v = std::tanh(X);
        break;
    case ekArcSinH:
        v = std::asinh(X);
        break;
    case ekArcCosH:
        v = ArcCosH(X);
        break;
    case ekArcTanH:
        v = ArcTanH(X);
        break;
    default:
        RaiseError(enSyntaxError);
    }
    CheckValue(v);
    if (Key == ekArcSin || Key == ekArcCos || Key == ekArcTan) {
        if (FAngleMode == atDeg)
            v = Multiply(v, RadToDeg);
        else if (FAngleMode == atGrad)
            v = Multiply(v, RadToGrad);
    }
    if (std::fabs(v) <= (Key == ekSin ? 1E-99 : 1E-14)) v = 0;
    return v;
}
