#pragma once

#include "ExpressionKey.h"
#include "TextRange.h"

#include <QHash>
#include <QString>
#include <QStringList>

class TVariableDictionary;

// The function words of the input language (upper-case ASCII, plus the Greek
// small pi) and their keys. The table is built once and shared; every call hands
// out a copy of its own, so a caller may change its copy freely.
QHash<QString, TExpressionKey> CreateFunctionDictionary();

// Turns the text of the input line into expression keys, one character at a time:
// every digit, the decimal point and the exponent letter become keys of their
// own, words become function keys and a user variable becomes the keys
// ekVariable ( digits of its number ). It checks nothing beyond the characters;
// a failure reports the first position that does not turn into keys.
//
// In variable-calculation mode a name that is not a function word produces no
// key and is appended to the calculation-mode list instead, so the caller can
// ask for its value. That list is the caller's: Convert only appends to it.
//
// One converter serves one calculation; it only reads the variable store, so
// converters on several threads may share one store while nobody writes to it.
class TExpressionTextConvert {
public:
    // Longest text, in UTF-16 code units, that Convert accepts.
    static constexpr int MaxTextLength = 1024;

    TExpressionTextConvert();
    // A converter that fills Keys and reads the store Variables (either may be absent).
    TExpressionTextConvert(TKeyList* Keys, const TVariableDictionary* Variables);

    // Fills the key list (cleared first) and returns true on success. An empty or
    // too long text is refused at once and leaves the key list alone. On failure
    // the key list holds the keys made before the failing position.
    bool Convert(const QString& ExpressionText);

    // Position in the normalised text where the last conversion stopped; 0 after
    // a success or a refused text.
    int ErrorIndex() const { return FErrorIndex; }
    // The typed characters the last conversion stopped at: the character that
    // starts no key, or the whole of the name that is neither a function word nor
    // a variable. Empty after a success or a refused text.
    TTextRange ErrorRange() const;

    void SetKeyList(TKeyList* Value) { FKeyList = Value; }
    void SetVariableDictionary(const TVariableDictionary* Value) { FVariableDictionary = Value; }
    void SetIsVarCalcMode(bool Value) { FIsVarCalcMode = Value; }
    void SetCalcModeVariableList(QStringList* Value) { FCalcModeVariableList = Value; }
    // Receives, for each key of the key list, the stretch of the text given to
    // Convert that the key was read from: the character of a digit or an
    // operator, the whole word of a function or a variable (for each key of the
    // variable's group). Lent, may be absent; cleared and filled with the keys.
    void SetKeySourceList(TKeySourceList* Value) { FKeySourceList = Value; }

private:
    bool Scan();
    bool ReadName();
    void ReadHexDigits();
    // a key read from the code unit at the read position
    void Append(TExpressionKey Key) { Append(Key, ExpressionIndex, 1); }
    // a key read from Length code units at Start of the normalised text
    void Append(TExpressionKey Key, int Start, int Length);
    // the decimal digits of a variable's number, each read from the whole name
    void AppendDigits(int Number, int Start, int Length);
    int LetterLength(int Index) const;

    QString FExpressionText;
    int FErrorIndex = 0;
    TKeyList* FKeyList = nullptr;
    const TVariableDictionary* FVariableDictionary = nullptr;
    QHash<QString, TExpressionKey> FunctionDictionary;
    int ExpressionIndex = 0;
    QStringList* FCalcModeVariableList = nullptr;
    bool FIsVarCalcMode = false;
    TKeySourceList* FKeySourceList = nullptr;
    int FErrorEnd = 0;    // where the failing character or name ends in the normalised text
    QString FTypedText;   // the text given to the last Convert, after a failed scan
    bool FFailed = false; // the last Convert stopped in the scan
    // receives the keys when the caller lent no key list, so Convert can still
    // tell whether a text converts
    TKeyList ScratchKeyList;
};
