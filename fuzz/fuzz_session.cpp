// Whole `korvex --eval` sessions: the bytes split into lines, each entered
// through TEvalSession as the command does (expressions, assignments, @ commands,
// @CALC: prompts and their answers). A line that begins with the byte 01 is a key
// or command of the window instead, named by its next character, so sessions
// also mix in typing, history recall, memory keys and recorded expressions.

#include "FuzzCheck.h"

#include "Calculator.h"
#include "EvalSession.h"

#include <QCoreApplication>
#include <QList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The argument of a window key: the text after its name, or its first digit.
int Digit(const QString& Argument) {
    return Argument.isEmpty() ? 0 : Argument[0].unicode() % 10;
}

void WindowKey(TCalculator& c, QChar Key, const QString& Argument) {
    switch (Key.unicode()) {
    case u'T':
        c.TypeText(Argument);
        break;
    case u'P':
        c.PasteText(Argument);
        break;
    case u'U':
        c.UpKeyActionExecute();
        break;
    case u'D':
        c.DownKeyActionExecute();
        break;
    case u'B':
        c.CustomBtnActionExecute();
        break;
    case u'M':
        c.MActionExecute();
        break;
    case u'+':
        c.MPlusActionExecute();
        break;
    case u'-':
        c.MMinusActionExecute();
        break;
    case u'0':
        c.MCLActionExecute();
        break;
    case u'C':
        c.AllClear();
        break;
    case u'R':
        c.RecordExpressionActionExecute();
        break;
    case u'X':
        c.DelRecordExpressionActionExecute();
        break;
    case u'S':
        c.SelectRecordExpression(Digit(Argument));
        break;
    case u'^':
        c.MoveRecordExpression(-1);
        break;
    case u'v':
        c.MoveRecordExpression(+1);
        break;
    case u'K':
        c.ExpressionRecordFrameListBoxDblClick();
        break;
    case u'H':
        c.HistoryListClick(Digit(Argument));
        break;
    case u'h':
        c.HistoryMenuItemClick(Digit(Argument));
        break;
    case u'N':
        c.NormalActionExecute();
        break;
    case u'F':
        c.FixActionExecute(Digit(Argument));
        break;
    case u'G':
        c.SciActionExecute(Digit(Argument));
        break;
    case u',':
        c.DigitGroupingSeparatorActionExecute();
        break;
    case u'd':
        c.DegActionExecute();
        break;
    case u'r':
        c.RadActionExecute();
        break;
    case u'g':
        c.GradActionExecute();
        break;
    case u'<':
        c.CaretKey(TCalculator::ckLeft);
        break;
    case u'>':
        c.CaretKey(TCalculator::ckRight);
        break;
    case u'e':
        c.CaretKey(TCalculator::ckEnd);
        break;
    case u'o':
        c.CaretKey(TCalculator::ckHome);
        break;
    case u'm':
        c.ExpressionEditMouseDown();
        break;
    case u'c': {
        QString copied;
        c.CopyActionExecute(copied);
        break;
    }
    default:
        break;
    }
}

// What holds after every line, whatever came before.
void CheckState(TCalculator& c, const QString& Line) {
    const int limit = std::max(c.GetHistoryCount(), 0);
    Require(c.ExpressionHistorys().size() <= std::size_t(limit), "the history keeps to its limit", Line);
    Require(c.HistoryPopupItems().size() <= limit, "the history popup keeps to the limit", Line);
    const TInputLine& in = c.InputLine();
    Require(in.Caret >= 0 && in.Caret <= in.Text.size(), "the caret lies in the line", Line);
    Require(in.SelStart >= 0 && in.SelLength >= 0 && in.SelStart + in.SelLength <= in.Text.size(),
            "the selection lies in the line", Line);
    Require(c.RecordExpressionSelected() < c.RecordExpressions().size(),
            "the selected recorded expression exists", Line);
}

// The same lines through `korvex --eval` itself, reading them from a pipe: it
// prints one line per line, what the session showed, and its status says
// whether every line ended with a value.
void RunCommand(const std::uint8_t* Data, std::size_t Size, const QStringList& Shown, bool AllOk) {
    int fds[2];
    Require(::pipe(fds) == 0, "a pipe for standard input");
    // the pipe holds more than the longest input, so the write never waits
    Require(::write(fds[1], Data, Size) == ssize_t(Size), "the session fits the pipe");
    ::close(fds[1]);
    std::FILE* in = ::fdopen(fds[0], "r");
    char* printed = nullptr;
    std::size_t printedSize = 0;
    std::FILE* out = ::open_memstream(&printed, &printedSize);
    const int status = MustNotThrow("korvex --eval", [&] { return RunEvalCommand({}, in, out, stderr); });
    std::fclose(in);
    std::fclose(out);
    const QString text = QString::fromUtf8(printed, qsizetype(printedSize));
    std::free(printed);

    QStringList lines = text.split(u'\n');
    Require(lines.last().isEmpty(), "--eval ends what it prints with a line break", text);
    lines.removeLast();
    Require(lines == Shown, "--eval prints what the session showed", text);
    Require(status == (AllOk ? 0 : 1), "--eval's status says whether every line had a value", text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TCalculator calculator;
    calculator.StartWithDefaults();
    TEvalSession session(calculator);

    const QByteArray input(reinterpret_cast<const char*>(Data), qsizetype(Size));
    QList<QByteArray> lines = input.split('\n');
    // a final line break ends the last line rather than starting an empty one
    if (lines.last().isEmpty()) lines.removeLast();
    QStringList shown;
    bool allOk = true;
    bool keys = false;
    for (QByteArray bytes : lines) {
        // as the command reads standard input
        if (bytes.endsWith('\r')) bytes.chop(1);
        const QString line = QString::fromUtf8(bytes);
        if (bytes.startsWith('\x01')) {
            keys = true;
            if (line.size() < 2) continue;
            MustNotThrow("a window key", [&] { WindowKey(calculator, line[1], line.mid(2)); });
        } else {
            bool ok = false;
            shown << MustNotThrow("TEvalSession::Enter", [&] { return session.Enter(line, &ok); });
            allOk = allOk && ok;
            const TCalcResultViewer& viewer = calculator.CalcResultViewer();
            if (!viewer.IsError() && !viewer.IsText() && viewer.ViewMode() == vtNormal)
                Require(!shown.last().isEmpty(), "a value in Normal mode shows some text", line);
        }
        CheckState(calculator, line);
    }
    if (!keys) RunCommand(Data, Size, shown, allOk);
    return 0;
}
