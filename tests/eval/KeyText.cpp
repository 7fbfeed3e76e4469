#include "KeyText.h"

#include <map>
#include <sstream>
#include <stdexcept>

namespace {

const std::map<std::string, TExpressionKey>& Names() {
    static const std::map<std::string, TExpressionKey> names = {
        {"(", ekLParen},
        {")", ekRParen},
        {",", ekComma},
        {"+", ekAdd},
        {"-", ekSub},
        {"*", ekMulti},
        {"/", ekDiv},
        {"^", ekPower},
        {"!", ekFactorial},
        {"²", ekSquare},
        {"³", ekCube},
        {"⁻¹", ekReciprocal},
        {"°", ekDms},
        {"√", ekSqrt},
        {"π", ekPi},
        {"(+)", ekPlus},
        {"(-)", ekMinus},
        {"MP1", ekMultiPriority1},
        {"MP2", ekMultiPriority2},
        {"MP3", ekMultiPriority3},
        {"root", ekPowerRoot},
        {"xA", ekHexA},
        {"xB", ekHexB},
        {"xC", ekHexC},
        {"xD", ekHexD},
        {"xE", ekHexE},
        {"xF", ekHexF},
        {"sin", ekSin},
        {"cos", ekCos},
        {"tan", ekTan},
        {"asin", ekArcSin},
        {"acos", ekArcCos},
        {"atan", ekArcTan},
        {"sinh", ekSinH},
        {"cosh", ekCosH},
        {"tanh", ekTanH},
        {"asinh", ekArcSinH},
        {"acosh", ekArcCosH},
        {"atanh", ekArcTanH},
        {"log", ekLog10},
        {"ln", ekLn},
        {"loge", ekLogE},
        {"logn", ekLogN},
        {"log2", ekLog2},
        {"logxy", ekLogXY},
        {"exp10", ekExp10},
        {"exp", ekExp},
        {"abs", ekAbs},
        {"int", ekInt},
        {"frac", ekFrac},
        {"ceil", ekCeil},
        {"floor", ekFloor},
        {"roundoff", ekRoundOff},
        {"hex", ekHex},
        {"bin", ekBin},
        {"var", ekVariable},
        {"Pol", ekPol},
        {"Rec", ekRec},
        {"Ans", ekAns},
        {"PreAns", ekPreAns},
        {"M", ekVarM},
        {"X", ekVarX},
        {"Y", ekVarY},
        {"GT", ekVarGT},
        {"MCount", ekVarMCount},
        {"GTCount", ekVarGTCount},
        {"nil", ekNil},
        {"END", ekEnd},
        {"?", ekQuestion},
        {"=", ekEnter},
        {"->A", ekStoA},
    };
    return names;
}

TExpressionKey CharacterKey(char c) {
    if (c >= '0' && c <= '9') return TExpressionKey(ek0 + (c - '0'));
    if (c == '.') return ekDot;
    if (c == 'E') return ekE;
    throw std::invalid_argument(std::string("no key for ") + c);
}

std::string KeyWord(TExpressionKey Key) {
    if (IsDigitKey(Key)) return std::string(1, char('0' + (Key - ek0)));
    if (Key == ekDot) return std::string(1, '.');
    if (Key == ekE) return std::string(1, 'E');
    const std::string* shortest = nullptr;
    for (const auto& [name, named] : Names())
        if (named == Key && (!shortest || name.size() < shortest->size())) shortest = &name;
    if (shortest) return *shortest;
    return std::to_string(int(Key)).insert(0, 1, '#');
}

} // namespace

TKeyList Keys(const std::string& Text) {
    TKeyList keys;
    std::istringstream words(Text);
    std::string word;
    while (words >> word) {
        const auto named = Names().find(word);
        if (named != Names().end()) {
            keys.append(named->second);
            continue;
        }
        for (char c : word)
            keys.append(CharacterKey(c));
    }
    return keys;
}

std::string KeysText(const TKeyList& Keys) {
    std::string text;
    for (TExpressionKey key : Keys) {
        if (!text.empty()) text += ' ';
        text += KeyWord(key);
    }
    return text;
}
