#include "EvalSession.h"

#include "Calculator.h"

#include <QByteArray>

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
    std::fflush(Out);
}

// Reads one line of any length; false at the end of the input.
bool ReadLine(std::FILE* In, QByteArray& Line)
{
    Line.clear();
    char buffer[4096];
    bool any = false;
    while (std::fgets(buffer, sizeof buffer, In)) {
        any = true;
        Line.append(buffer);
        if (Line.endsWith('\n')) {
            Line.chop(1);
            break;
        }
    }
    if (Line.endsWith('\r')) Line.chop(1);
    return any;
}

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
        QByteArray line;
        while (ReadLine(In, line)) enter(QString::fromUtf8(line));
    }
    return status;
}
