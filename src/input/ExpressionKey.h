#pragma once

#include <QList>
#include <QString>
#include <cstdint>

// The vocabulary that travels from the text converter to the evaluator. The
// ordinals are part of the interface: range tests and several evaluator rules
// compare them, so never reorder or insert.
enum TExpressionKey : std::uint8_t {
    ekExressionKeyStart, // 0
    ekEnd,
    ekOthers,
    ekNewLine,
    ekNil,
    ekPlus, // 5
    ekMinus,
    ekNumber,
    ekOperator1,
    ekOperator2,
    ekOperator3, // 10
    ekOperator4,
    ekOperator5,
    ekOperator6,
    ekEnter,
    ekQuestion, // 15
    ekStoVarStart,
    ekStoA,
    ekStoB,
    ekStoC,
    ekStoD, // 20
    ekStoE,
    ekStoF,
    ekStoM,
    ekStoX,
    ekStoY, // 25
    ekStoGT,
    ekStoUserConst1,
    ekStoUserConst2,
    ekStoUserConst3,
    ekStoUserConst4, // 30
    ekStoVarEnd,
    ekRParen,
    ekComma,
    ekPowerRoot,
    ekFactorial, // 35
    ekDms,
    ekPol,
    ekRec,
    ekPowerStart,
    ekPower, // 40
    ekSquare,
    ekCube,
    ekReciprocal,
    ekPowerEnd,
    ekOperatorStart, // 45
    ekAdd,
    ekSub,
    ekMulti,
    ekDiv,
    ekMultiPriority1, // 50
    ekMultiPriority2,
    ekMultiPriority3,
    ekMultiPriority4,
    ekOperatorEnd,
    ekNumberStart, // 55
    ek0,
    ek1,
    ek2,
    ek3,
    ek4, // 60
    ek5,
    ek6,
    ek7,
    ek8,
    ek9, // 65
    ekDot,
    ekE,
    ekHexA,
    ekHexB,
    ekHexC, // 70
    ekHexD,
    ekHexE,
    ekHexF,
    ekNumberEnd,
    ekOmissionMulop, // 75
    ekLParen,
    ekFunctionStart,
    ekSin,
    ekCos,
    ekTan, // 80
    ekArcSin,
    ekArcCos,
    ekArcTan,
    ekSinH,
    ekCosH, // 85
    ekTanH,
    ekArcSinH,
    ekArcCosH,
    ekArcTanH,
    ekSqrt, // 90
    ekLog10,
    ekLn,
    ekLogE,
    ekLogN,
    ekLog2, // 95
    ekLogXY,
    ekExp10,
    ekExp,
    ekAbs,
    ekInt, // 100
    ekFrac,
    ekCeil,
    ekFloor,
    ekRoundOff,
    ekHex, // 105
    ekBin,
    ekVariable,
    ekFunctionEnd,
    ekVariableStart,
    ekPi, // 110
    ekAns,
    ekPreAns,
    ekVarM,
    ekVarX,
    ekVarY, // 115
    ekVarGT,
    ekVarMCount,
    ekVarGTCount,
    ekVariableEnd,
    ekExressionKeyEnd, // 120
};

static_assert(ekPlus == 5 && ekNumber == 7 && ekOperator6 == 13 && ekEnter == 14);
static_assert(ekStoVarStart == 16 && ekStoA == 17 && ekStoGT == 26 && ekStoVarEnd == 31);
static_assert(ekRParen == 32 && ekDms == 36 && ekPol == 37 && ekRec == 38);
static_assert(ekPowerStart == 39 && ekPower == 40 && ekReciprocal == 43 && ekPowerEnd == 44);
static_assert(ekOperatorStart == 45 && ekAdd == 46 && ekMultiPriority1 == 50 && ekOperatorEnd == 54);
static_assert(ekNumberStart == 55 && ek0 == 56 && ek9 == 65 && ekDot == 66 && ekE == 67);
static_assert(ekHexA == 68 && ekHexF == 73 && ekNumberEnd == 74 && ekOmissionMulop == 75);
static_assert(ekLParen == 76 && ekFunctionStart == 77 && ekSin == 78 && ekArcSinH == 87);
static_assert(ekSqrt == 90 && ekLogXY == 96 && ekRoundOff == 104 && ekHex == 105 && ekBin == 106);
static_assert(ekVariable == 107 && ekFunctionEnd == 108 && ekVariableStart == 109 && ekPi == 110);
static_assert(ekAns == 111 && ekVarGTCount == 118 && ekVariableEnd == 119 && ekExressionKeyEnd == 120);
static_assert(sizeof(TExpressionKey) == 1);

using TKeyList = QList<TExpressionKey>;

QString KeyToText(TExpressionKey Key);

constexpr bool IsNumberKey(TExpressionKey Key) {
    return Key >= ekNumberStart && Key <= ekNumberEnd;
}
constexpr bool IsOperatorKey(TExpressionKey Key) {
    return Key >= ekOperatorStart && Key <= ekOperatorEnd;
}
constexpr bool IsSignKey(TExpressionKey Key) {
    return Key == ekPlus || Key == ekMinus;
}
constexpr bool IsPowerKey(TExpressionKey Key) {
    return Key > ekPowerStart && Key < ekPowerEnd;
}
constexpr bool IsFunctionKey(TExpressionKey Key) {
    return Key > ekFunctionStart && Key < ekFunctionEnd;
}
constexpr bool IsVariableKey(TExpressionKey Key) {
    return Key > ekVariableStart && Key < ekVariableEnd;
}
constexpr bool IsFunctionOrVariableKey(TExpressionKey Key) {
    return IsFunctionKey(Key) || IsVariableKey(Key);
}
// ek0 ... ek9
constexpr bool IsDigitKey(TExpressionKey Key) {
    return Key >= ek0 && Key <= ek9;
}
// the digits and the decimal point
constexpr bool IsDecimalKey(TExpressionKey Key) {
    return Key >= ek0 && Key <= ekDot;
}
