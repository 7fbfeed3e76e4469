#pragma once

#include "ExpressionKey.h"

#include <string>

// Key lists written compactly for tables: keys separated by spaces, a run of
// digits, dots and E one key per character ("12.5E3"), named keys by short
// words: ( ) , + - * / ^ ! ² ³ ⁻¹ ° √ π, (+) (-) for the signs, MP1 MP2 for the
// inserted products, xA … xF for hexadecimal digits, root for the binary root,
// sin … atanh, log ln loge logn log2 logxy exp10 exp abs int frac ceil floor
// roundoff hex bin var, Pol Rec, Ans PreAns M X Y GT MCount GTCount, nil END.
TKeyList Keys(const std::string& Text);

// The same notation back, for failure messages.
std::string KeysText(const TKeyList& Keys);
