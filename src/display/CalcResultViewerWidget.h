#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextLayout>
#include <QWidget>

#include <memory>

class QPainter;
class TCalcResultViewer;

// The font and the text that show all of Text inside Width pixels: Base when it
// fits, else Base stepped down one pixel at a time to MinimumPixelSize, and only
// at that size, when the text is still too wide, the text elided in the middle
// (a number keeps its sign, its first digits and its exponent).
struct TFittedText {
    QFont Font;
    QString Text;
};
TFittedText FitResultText(const QFont& Base, const QString& Text, int Width);

// A result text fitted into Width pixels (as FitResultText says) and shaped into
// one line, ready to be drawn as often as needed.
class TLaidOutResult {
public:
    TLaidOutResult(const QString& Text, const QFont& Base, int Width);
    // whether this is the text, base font and width it was laid out for
    bool IsFor(const QString& Text, const QFont& Base, int Width) const;
    const TFittedText& Fitted() const { return FFitted; }
    // in Color, right-aligned and centred vertically in Rect
    void Draw(QPainter& Painter, const QRect& Rect, const QColor& Color) const;

private:
    QString FText;
    QFont FBase;
    int FWidth;
    TFittedText FFitted;
    QTextLayout FLayout;
};

// Draws a result text the way every result viewer does: a single line in Color,
// right-aligned and centred vertically in Rect, shrunk to fit as FitResultText
// says. Returns the text drawn.
QString DrawResultText(QPainter& Painter, const QRect& Rect, const QString& Text, const QFont& Base,
                       const QColor& Color);

// The font a viewer paints with: its size in pixels (the toolkit's units, which
// high-DPI scaling enlarges) and its style, in the family of Family.
QFont ResultFont(const TCalcResultViewer& Viewer, const QFont& Family);

// Draws a result viewer's state. The state (value, mode, message) lives in the
// TCalcResultViewer it is given, which it borrows; the owner changes that state
// and calls update(). Painting formats the value anew, as the viewer expects.
class TCalcResultViewerWidget : public QWidget {
    Q_OBJECT

public:
    explicit TCalcResultViewerWidget(QWidget* parent = nullptr);

    TCalcResultViewer* Viewer() const { return FViewer; }
    void SetViewer(TCalcResultViewer* Viewer);
    // What the last paint drew, after fitting (empty before the first paint).
    const QString& PaintedText() const { return FPaintedText; }
    // A stale result is not the answer to the line on display: it is drawn in
    // the palette's placeholder colour instead of black.
    bool IsStale() const { return FStale; }
    void SetStale(bool Stale);

    // The smallest font the fitting goes down to, in pixels.
    static constexpr int MinimumPixelSize = 9;
    // The text stands 5 pixels inside the top and bottom edges.
    static constexpr int VerticalInset = 5;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TCalcResultViewer* FViewer = nullptr;
    QString FPaintedText;
    bool FStale = false;
    std::unique_ptr<TLaidOutResult> FLaidOut; // the newest text drawn
};
