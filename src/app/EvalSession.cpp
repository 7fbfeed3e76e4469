#include "EvalSession.h"

#include "Calculator.h"

#include <QByteArray>

#include <cerrno>
#include <unistd.h>

QString TEvalSession::Enter(const QString& Line, bool* Ok)
{
    TCalculator& c = FCalculator;
    if (c.GetIsVarCalcMode() && c.GetIsVarCalcModeSubstitute()) {
        // a prompt such as "A = " is on the line: the answer goes after it
        c.PlaceCaret(false, int(c.InputLine().Text.size()));
        c.PasteText(Line);
    } else if (c.GetIsVarCalcMode() && !c.GetVarCalcing()) {
        // the formula's value is on display: typed text is discarded, Enter asks again
    } else {
        c.SetInputText(Line);
    }
    c.CalcExpression(true);
    bool formatError = false;
    const QString shown = c.ResultText(&formatError);
    if (Ok) *Ok = !formatError && !c.CalcResultViewer().IsError();
    return shown;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: korvex                 start the calculator window\n"
        "       korvex --eval [--] [LINE ...]\n"
        "\n"
        "--eval runs the calculator without a window, with default settings and no\n"
        "settings file. Each LINE (or, without LINEs, each line of standard input) is\n"
        "entered and confirmed with Enter as in the window: expressions, assignments\n"
        "such as A=3, and @ commands such as @HEX or @FIX2. After each line Korvex\n"
        "prints what the result area shows. Exit status: 0 when every line ended with\n"
        "a value on display, 1 when any ended with a message, 2 for bad usage.\n"
        "\n"
        "Examples:\n"
        "  korvex --eval \"1+2\"                  prints 3\n"
        "  korvex --eval -- -5                  prints -5\n"
        "  printf 'A=3\\nA*2\\n' | korvex --eval  prints 3 and 6\n");
}

namespace {

void Print(std::FILE* Out, const QString& Text)
{
    const QByteArray bytes = Text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), Out);
    std::fputc('\n', Out);
}

// Reads lines of any length from a file descriptor. Whatever was printed is
// flushed before the reader waits for more input, so a pipe used interactively
// sees each answer at once, while a file of many lines is not written a line at
// a time.
class TLineReader {
public:
    TLineReader(int Fd, std::FILE* Out) : FFd(Fd), FOut(Out) {}

    bool Next(QByteArray& Line)
    {
        Line.clear();
        for (;;) {
            const qsizetype nl = FBuffer.indexOf('\n', FPos);
            if (nl >= 0) {
                Line = FBuffer.mid(FPos, nl - FPos);
                FPos = nl + 1;
                break;
            }
            if (FEnd) {
                if (FPos >= FBuffer.size()) return false;
                Line = FBuffer.mid(FPos);
                FPos = FBuffer.size();
                break;
            }
            FBuffer.remove(0, FPos);
            FPos = 0;
            std::fflush(FOut);
            char chunk[65536];
            const ssize_t n = ::read(FFd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) FEnd = true;
            else FBuffer.append(chunk, n);
        }
        if (Line.endsWith('\r')) Line.chop(1);
        return true;
    }

private:
    int FFd;
    std::FILE* FOut;
    QByteArray FBuffer;
    qsizetype FPos = 0;
    bool FEnd = false;
};

} // namespace

int RunEvalCommand(const QStringList& Arguments, std::FILE* In, std::FILE* Out, std::FILE* Err)
{
    QStringList lines;
    bool options = true;
    for (const QString& a : Arguments) {
        if (options && a == u"--") {
            options = false;
        } else if (options && a.startsWith(u'-') && a.size() > 1) {
            Print(Err, QStringLiteral("korvex: unknown option %1\n").arg(a) + UsageText());
            std::fflush(Err);
            return 2;
        } else {
            lines << a;
        }
    }

    TCalculator calculator;
    calculator.StartWithDefaults();
    TEvalSession session(calculator);
    int status = 0;
    auto enter = [&](const QString& line) {
        bool ok = true;
        Print(Out, session.Enter(line, &ok));
        if (!ok) status = 1;
    };
    if (!lines.isEmpty()) {
        for (const QString& line : lines) enter(line);
    } else {
        TLineReader reader(fileno(In), Out);
        QByteArray line;
        while (reader.Next(line)) enter(QString::fromUtf8(line));
    }
    std::fflush(Out);
    return status;
}
