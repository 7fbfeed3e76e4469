#pragma once

#include "DecimalFormat.h"
#include "ResultViewType.h"

#include <QFlags>
#include <QString>
#include <stdexcept>

// A value the current mode cannot show: Hex or Bin beyond the 64-bit range, NaN or
// infinite, or a directed rounding that overflows. Painting shows "Error" instead.
class EFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TFontStyle : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

// What a result viewer shows: a value formatted for its display mode, an error
// message or a plain text. The value is kept as a double and formatted anew each
// time it is shown, so a changed setting shows the same value in the new form.
// Settings only store; owners assign them first and the value, text or error last,
// then repaint.
class TCalcResultViewer {
public:
    // The display texts use fs's separators.
    explicit TCalcResultViewer(const TFormatSettings& fs = TFormatSettings::User()) : FFormatSettings(fs) {}

    // The text of FValue in the current mode. Eng keeps its previous text when it
    // fails; DMS of 10^10 and more switches the viewer to Normal for good. Raises
    // EFormatError for Hex and Bin beyond the 64-bit range and for an overflowing
    // directed rounding.
    QString FormatValue();
    // What a paint shows: the message, the text or the formatted value; "Error"
    // when the value cannot be formatted.
    QString DisplayText();

    double Value() const { return FValue; }
    void SetValue(double v);
    const QString& Text() const { return FText; }
    void SetText(const QString& v);
    void Error(const QString& AMessage);
    bool IsError() const { return FIsError; }
    bool IsText() const { return FIsText; }
    const QString& ErrorMessage() const { return FErrorMessage; }
    // The value formatted whatever the state shows; raises as FormatValue does.
    QString ValueText() { return FormatValue(); }
    const QString& DigitText() const { return FDigitText; }

    TResultViewType ViewMode() const { return FViewMode; }
    void SetViewMode(TResultViewType v) { FViewMode = v; }
    int DigitNumber() const { return FDigitNumber; }
    void SetDigitNumber(int v) { FDigitNumber = v; }
    bool IsGroupingSeparator() const { return FIsGroupingSeparator; }
    void SetIsGroupingSeparator(bool v) { FIsGroupingSeparator = v; }
    bool IsPercent() const { return FIsPercent; }
    void SetIsPercent(bool v) { FIsPercent = v; }
    TRoundSelector RoundSelector() const { return FRoundSelector; }
    void SetRoundSelector(TRoundSelector v) { FRoundSelector = v; }
    int Eng() const { return FEng; }
    // a new shift gives Eng a fresh chance
    void SetEng(int v) {
        FEngError = false;
        FEng = v;
    }
    bool EngError() const { return FEngError; }
    int SignificantDigits() const { return FSignificantDigits; }
    void SetSignificantDigits(int v) { FSignificantDigits = v; }
    float FontSize() const { return FFontSize; }
    void SetFontSize(float v) { FFontSize = v; }
    TFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TFontStyles v) { FFontStyle = v; }
    const TFormatSettings& FormatSettings() const { return FFormatSettings; }
    void SetFormatSettings(const TFormatSettings& v) { FFormatSettings = v; }

private:
    QString NormalText(double x, bool Grouping) const;
    QString FixText(double x) const;
    QString SciText(double x) const;
    bool EngText(double x, QString& Text) const;
    bool DmsText(double x, QString& Text) const;

    TResultViewType FViewMode = vtNormal;
    int FDigitNumber = -1;
    double FValue = 0;
    TRoundSelector FRoundSelector = rs54;
    bool FIsGroupingSeparator = false;
    bool FIsPercent = false;
    int FEng = 0;
    float FFontSize = 18;
    TFontStyles FFontStyle = fsBold;
    QString FDigitText;
    int FSignificantDigits = 10;
    bool FEngError = false;
    QString FText;
    bool FIsError = false;
    bool FIsText = false;
    QString FErrorMessage;
    TFormatSettings FFormatSettings;
};
