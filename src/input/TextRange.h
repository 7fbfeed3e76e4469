#pragma once

#include <QList>

// A stretch of a text: Length UTF-16 code units from Start. A range of length 0
// marks no place.
struct TTextRange {
    int Start = 0;
    int Length = 0;

    int End() const { return Start + Length; }
    bool IsEmpty() const { return Length <= 0; }
    friend bool operator==(const TTextRange&, const TTextRange&) = default;
};

// For each key of a key list, the stretch of the typed text it was read from.
using TKeySourceList = QList<TTextRange>;
