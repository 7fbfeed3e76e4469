#pragma once

#include "AngleType.h"
#include "ExpressionHistory.h"
#include "ResultViewType.h"
#include "VariableDictionary.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <variant>

// Raised when the settings file or its folder cannot be written or deleted;
// the message carries the operating system's reason.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The calculator's persisted state and the one place that knows the settings
// file, <config dir>/Halvoren/Korvex/Korvex.ini.
//
// The history list, the variable store and the recorded-expression list are
// lent by the owner and never freed here; while one of them is absent, Read and
// Write leave its part of the file alone. Read replaces the records of the
// history list (it owns them through unique_ptr) and empties the variable store;
// it appends to RecordExpressions, so lend an empty list for a Read and the
// current expressions for a Write.
class TAppData {
public:
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    QString InputExpressionText;
    bool IsHistoryRecord = false;
    int HistoryCount = 0;
    bool IsVariableRecord = false;
    bool IsRealTimeCalc = false;
    TExpressionHistoryList* ExpressionHistorys = nullptr;
    TVariableDictionary* VariableDictionary = nullptr;
    QStringList* RecordExpressions = nullptr;
    float RecordExpressionFrameHeight = 0;
    double VarM = 0;
    double Ans = 0;
    double PreAns = 0;
    bool IsCalc = false;
    TResultViewType ViewMode = vtNormal;
    TAngleType AngleMode = atDeg;
    bool IsTopMost = false;
    bool Transparency = false;
    int TransparencyValue = 0;
    bool IsDigitGroupingSeparator = false;
    QString CustomBtnTitle;
    QString CustomBtnExpression;
    // The digits of the display mode (decimals of Fix, digits of Sci) and the
    // exponent shift of Eng, so that a restored mode shows as it was left.
    int RoundDecimal = 0;
    int Eng = 0;

    // Fills the fields from the file. Never fails: whatever is missing, damaged
    // or unreadable takes its default. Of the history entries present, only the
    // newest HistoryCount are read; entries missing from the file are skipped.
    void Read();
    // Writes the fields into the file, keeping what it does not write; entries
    // beyond the lists' ends are dropped. The file is replaced in one step, so it
    // is never found half written, and only once every byte of the new one is
    // written. It is never larger than Read accepts: the newest history entries
    // and recorded expressions that fit are saved. A file that does not read as
    // settings is first kept as a copy beside it. Raises EInOutError, leaving the
    // file as it was, when the folder or the file cannot be written or the rest
    // alone would be too large.
    void Write();
    // Deletes the file and reads the defaults. Raises EInOutError, reading
    // nothing, when the file cannot be deleted.
    void Clear();

    // Where the file is, built from the current environment on every call; empty
    // when the platform names no configuration folder.
    static QString FileName();

    // A field of the file and what it reads as when missing or damaged. An
    // enumeration out of its range reads as the default too.
    template <typename T> struct TField {
        T TAppData::*Member;
        T Default;
    };
    // A number of entries: one below none reads as none.
    struct TCount {
        int TAppData::*Member;
        int Default;
    };
    // Where the entries of a numbered list go; the setting names the list's
    // own section and the key of its count, and the list's code does the rest.
    enum class TList : std::uint8_t { History, Variables, Records };
    // When a setting is read and written.
    enum class TPart : std::uint8_t {
        Always,
        History,   // with the history list lent
        Variables, // with the variable store lent
        Memory,    // with variable saving on; read only with the store lent too
        Records,   // with the recorded expressions lent
    };
    struct TSetting {
        const char* Section;
        const char* Key;
        std::variant<TField<int>, TCount, TField<bool>, TField<double>, TField<float>, TField<QString>,
                     TField<TResultViewType>, TField<TAngleType>, TList>
            What;
        TPart Part = TPart::Always;
    };
    // The file's layout: every value in the order Read and Write take them and
    // a fresh file holds them, a section's keys in the order they are added.
    static std::span<const TSetting> Settings();

private:
    // The file as this object last read or wrote it. While the file is still
    // that one and held nothing but what the fields hold, a save builds it from
    // the fields alone instead of reading it again.
    struct TKnownFile {
        QString Path;
        bool Exists = false;
        quint64 Device = 0;
        quint64 Inode = 0;
        qint64 Size = 0;
        qint64 Modified = 0; // nanoseconds
        qint64 Changed = 0;
        bool Clean = false;
        bool HasVariables = false; // kept by a save with variable saving off

        bool SameFile(const TKnownFile& Other) const;
    };
    TKnownFile FKnown;
};
