#include "ExpressionKey.h"

QString KeyToText(TExpressionKey Key) {
    if (IsDigitKey(Key)) return QString(QChar(u'0' + (Key - ek0)));
    if (Key >= ekHexA && Key <= ekHexF) return QString(QChar(u'A' + (Key - ekHexA)));
    switch (Key) {
    case ekPlus:
        return QStringLiteral("+");
    case ekMinus:
        return QStringLiteral("-");
    case ekEnter:
        return QStringLiteral("=");
    case ekQuestion:
        return QStringLiteral("?");
    case ekStoA:
        return QStringLiteral(u" \u2192 A");
    case ekStoB:
        return QStringLiteral(u" \u2192 B");
    case ekStoC:
        return QStringLiteral(u" \u2192 C");
    case ekStoD:
        return QStringLiteral(u" \u2192 D");
    case ekStoE:
        return QStringLiteral(u" \u2192 E");
    case ekStoF:
        return QStringLiteral(u" \u2192 F");
    case ekStoM:
        return QStringLiteral(u" \u2192 M");
    case ekStoX:
        return QStringLiteral(u" \u2192 X");
    case ekStoY:
        return QStringLiteral(u" \u2192 Y");
    case ekStoUserConst1:
        return QStringLiteral(u" \u2192 k1");
    case ekStoUserConst2:
        return QStringLiteral(u" \u2192 k2");
    case ekStoUserConst3:
        return QStringLiteral(u" \u2192 k3");
    case ekStoUserConst4:
        return QStringLiteral(u" \u2192 k4");
    case ekRParen:
        return QStringLiteral(")");
    case ekComma:
        return QStringLiteral(",");
    case ekPowerRoot:
        return QStringLiteral(u"\u221A");
    case ekFactorial:
        return QStringLiteral("!");
    case ekDms:
        return QStringLiteral(u"\u00B0");
    case ekPol:
        return QStringLiteral("Pol(");
    case ekRec:
        return QStringLiteral("Rec(");
    case ekPower:
        return QStringLiteral("^");
    case ekSquare:
        return QStringLiteral("2");
    case ekCube:
        return QStringLiteral("3");
    case ekReciprocal:
        return QStringLiteral("-1");
    case ekAdd:
        return QStringLiteral("+");
    case ekSub:
        return QStringLiteral("-");
    case ekMulti:
        return QStringLiteral(u"\u00D7");
    case ekDiv:
        return QStringLiteral(u"\u00F7");
    case ekDot:
        return QStringLiteral(".");
    case ekE:
        return QStringLiteral("E");
    case ekLParen:
        return QStringLiteral("(");
    case ekSin:
    case ekArcSin:
        return QStringLiteral("sin");
    case ekCos:
    case ekArcCos:
        return QStringLiteral("cos");
    case ekTan:
    case ekArcTan:
        return QStringLiteral("tan");
    case ekSinH:
    case ekArcSinH:
        return QStringLiteral("sinh");
    case ekCosH:
    case ekArcCosH:
        return QStringLiteral("cosh");
    case ekTanH:
    case ekArcTanH:
        return QStringLiteral("tanh");
    case ekSqrt:
        return QStringLiteral(u"\u221A");
    case ekLog10:
    case ekLogN:
        return QStringLiteral("log");
    case ekLn:
        return QStringLiteral("ln");
    case ekLogE:
        return QStringLiteral("loge");
    case ekLog2:
        return QStringLiteral("log2");
    case ekLogXY:
        return QStringLiteral("logxy");
    case ekExp10:
        return QStringLiteral("10");
    case ekExp:
        return QStringLiteral("e");
    case ekAbs:
        return QStringLiteral("abs");
    case ekInt:
        return QStringLiteral("int");
    case ekFrac:
        return QStringLiteral("frac");
    case ekCeil:
        return QStringLiteral("ceil");
    case ekFloor:
        return QStringLiteral("floor");
    case ekRoundOff:
        return QStringLiteral("roundoff");
    case ekHex:
        return QStringLiteral("hex");
    case ekBin:
        return QStringLiteral("bin");
    case ekPi:
        return QStringLiteral(u"\u03C0");
    case ekAns:
        return QStringLiteral("Ans");
    case ekPreAns:
        return QStringLiteral("PreAns");
    case ekVarM:
        return QStringLiteral("M");
    case ekVarX:
        return QStringLiteral("X");
    case ekVarY:
        return QStringLiteral("Y");
    case ekVarGT:
        return QStringLiteral("GT");
    case ekVarMCount:
        return QStringLiteral("MCount");
    case ekVarGTCount:
        return QStringLiteral("GTCount");
    default:
        return QString();
    }
}
