#include "IntegerText.h"

#include <cstdint>

bool TextToInt(const QString& Text, int& Value) {
    qsizetype i = 0;
    const qsizetype n = Text.size();
    while (i < n && Text[i].unicode() <= u' ' && Text[i].unicode() != 0)
        ++i;
    bool negative = false;
    if (i < n && (Text[i] == u'-' || Text[i] == u'+')) negative = Text[i++] == u'-';
    int base = 10;
    if (i < n && Text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && Text[i] == u'0' && (Text[i + 1] == u'x' || Text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    std::int64_t v = 0;
    for (; i < n; ++i) {
        const char16_t c = Text[i].unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return false;
        v = v * base + d;
        // hexadecimal may spell the 32 bits of a negative number (FFFFFFFF is -1)
        if (v > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
    }
    if (base == 16 && !negative) {
        Value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return true;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    Value = static_cast<int>(v);
    return true;
}
