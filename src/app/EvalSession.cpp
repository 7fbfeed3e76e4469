#include "EvalSession.h"

#include "Calculator.h"
#include "MojiConvert.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

QString TEvalSession::Enter(const QString& Line, bool* Ok) {
    TCalculator& c = FCalculator;
    c.EnterLine(Line);
    bool formatError = false;
    const QString shown = c.ResultText(&formatError);
    if (Ok) *Ok = !formatError && !c.CalcResultViewer().IsError();
    return shown;
}

QStringList TEvalSession::Explanation() const {
    return ExplainFailure(FCalculator.InputLine().Text, FCalculator.ErrorPlace());
}

QStringList ExplainFailure(const QString& Line, TTextRange Place) {
    const int start = std::clamp(Place.Start, 0, int(Line.size()));
    const int end = std::clamp(Place.End(), start, int(Line.size()));
    if (end == start) return {};
    QString carets = QStringLiteral("  ");
    int columns = 0;
    for (int i = 0; i < end;) {
        const char32_t c =
            Line.at(i).isHighSurrogate() && i + 1 < Line.size() && Line.at(i + 1).isLowSurrogate()
                ? QChar::surrogateToUcs4(Line.at(i), Line.at(i + 1))
                : char32_t(Line.at(i).unicode());
        const int n = TerminalColumns(c);
        if (i >= start)
            columns += n;
        else if (c == U'\t')
            carets += u'\t';
        else
            carets += QString(n, u' ');
        i += c > 0xFFFF ? 2 : 1;
    }
    // a place of marks alone still gets its caret
    carets += QString(std::max(columns, 1), u'^');
    return {QStringLiteral("  ") + Line, carets};
}

QString UsageText() {
    return QStringLiteral(
        "Usage: korvex                 start the calculator window\n"
        "       korvex --eval [--explain] [--] [LINE ...]\n"
        "\n"
        "--eval runs the calculator without a window, with default settings and no\n"
        "settings file. Each LINE (or, without LINEs, each line of standard input) is\n"
        "entered and confirmed with Enter as in the window: expressions, assignments\n"
        "such as A=3, and @ commands such as @HEX or @FIX2. After each line Korvex\n"
        "prints what the result area shows. A line of standard input longer than\n"
        "1 MiB is answered \"Syntax error\".\n"
        "\n"
        "--explain also shows where a line fails: after its message come the line and\n"
        "a row of ^ under the failing part, both indented by two spaces. A failure\n"
        "without a place (an empty line, a division by zero of the whole line, a\n"
        "command) adds nothing.\n"
        "\n"
        "Numbers are printed with the decimal and group separators of the locale, as\n"
        "in the window; scripts that need a fixed format set LC_ALL=C.\n"
        "\n"
        "Exit status:\n"
        "  0  every line ended with a value on display\n"
        "  1  a line ended with a message, or with a value the display mode cannot show\n"
        "  2  bad usage, or standard input could not be read\n"
        "  3  the output could not be written (a full disk, a closed pipe)\n"
        "\n"
        "Examples:\n"
        "  korvex --eval \"1+2\"                  prints 3\n"
        "  korvex --eval -- -5                  prints -5\n"
        "  printf 'A=3\\nA*2\\n' | korvex --eval  prints 3 and 6\n"
        "  korvex --eval --explain \"1+XYZ*2\"    prints Syntax error, the line, ^^^ under XYZ\n"
        "  LC_ALL=C korvex --eval 2.5           prints 2.5 in any locale\n");
}

namespace {

void Print(std::FILE* Out, const QString& Text) {
    const QByteArray bytes = Text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), Out);
    std::fputc('\n', Out);
}

QString Reason(int Error) {
    return QString::fromLocal8Bit(std::strerror(Error));
}

void ReportWriteError(std::FILE* Err, int Error) {
    Print(Err, QStringLiteral("korvex: write error: %1").arg(Reason(Error)));
    std::fflush(Err);
}

// The answers, through the stream's buffer. The first write or flush that fails
// is kept with its reason; nothing is written after it.
class TOutput {
public:
    explicit TOutput(std::FILE* Out) : FOut(Out) {}

    void Line(const QString& Text) {
        if (FError) return;
        // an answer is nearly always ASCII: its bytes go through a buffer kept
        // for the next line instead of a new UTF-8 copy each time
        FBytes.clear();
        for (QChar c : Text) {
            if (c.unicode() >= 0x80) {
                const QByteArray utf8 = Text.toUtf8();
                FBytes.assign(utf8.constData(), std::size_t(utf8.size()));
                break;
            }
            FBytes += char(c.unicode());
        }
        FBytes += '\n';
        errno = 0;
        if (std::fwrite(FBytes.data(), 1, FBytes.size(), FOut) != FBytes.size()) Fail();
    }

    void Flush() {
        if (FError) return;
        errno = 0;
        if (std::fflush(FOut) == EOF) Fail();
    }

    // the errno of the failed write, 0 while none has failed
    int Error() const { return FError; }

private:
    void Fail() { FError = errno ? errno : EIO; }

    std::FILE* FOut;
    std::string FBytes;
    int FError = 0;
};

// Reads lines from a file descriptor in large blocks, looking for the newline
// only in bytes not searched before, so the time is linear in the input. A line
// longer than EvalMaxLineBytes is not kept: its bytes are dropped up to its
// newline, so the memory stays bounded whatever the input. The answers printed
// so far are flushed before each read, so a pipe used interactively sees each
// answer at once, while a file of many lines is not written a line at a time.
class TLineReader {
public:
    enum TNext { nxLine, nxTooLong, nxEnd };

    TLineReader(int Fd, TOutput& Out)
        : FFd(Fd), FOut(Out), FData(std::make_unique_for_overwrite<char[]>(kCapacity)) {}

    // nxEnd at the end of the input, after a read error (ReadError) and once the
    // output has failed. Line stays valid until the next call.
    TNext Next(QByteArrayView& Line) {
        Line = {};
        for (;;) {
            if (const void* nl = std::memchr(FData.get() + FScan, '\n', std::size_t(FEnd - FScan))) {
                const qsizetype at = static_cast<const char*>(nl) - FData.get();
                const bool skipped = FSkipping;
                FSkipping = false;
                return Take(at, at + 1, skipped, Line);
            }
            FScan = FEnd;
            // one byte more may be the "\r" before the newline
            if (FSkipping || FEnd - FStart > EvalMaxLineBytes + 1) {
                // the line's bytes so far are dropped; its newline is still to come
                FSkipping = true;
                FStart = FScan = FEnd = 0;
            }
            if (FAtEnd) {
                if (FSkipping) {
                    FSkipping = false;
                    return nxTooLong;
                }
                if (FStart == FEnd) return nxEnd;
                return Take(FEnd, FEnd, false, Line);
            }
            if (!Fill()) return nxEnd;
        }
    }

    // the errno of the failed read, 0 if none failed
    int ReadError() const { return FReadError; }

private:
    // a line that is not too long always leaves room for a block behind it
    static constexpr qsizetype kBlock = 64 * 1024;
    static constexpr qsizetype kCapacity = EvalMaxLineBytes + 1 + kBlock;

    // The line from FStart to End (a "\r" before its newline is not part of
    // it); the next one starts at Next.
    TNext Take(qsizetype End, qsizetype Next, bool Skipped, QByteArrayView& Line) {
        QByteArrayView line(FData.get() + FStart, End - FStart);
        if (line.endsWith('\r')) line.chop(1);
        FStart = FScan = Next;
        if (Skipped || line.size() > EvalMaxLineBytes) return nxTooLong;
        Line = line;
        return nxLine;
    }

    // Reads what is there, waiting for it if need be; false after an error.
    bool Fill() {
        if (FStart > 0) {
            // the start of an unfinished line moves to the front, once per line
            std::memmove(FData.get(), FData.get() + FStart, std::size_t(FEnd - FStart));
            FEnd -= FStart;
            FScan -= FStart;
            FStart = 0;
        }
        FOut.Flush();
        if (FOut.Error()) return false;
        for (;;) {
            const ssize_t n = ::read(FFd, FData.get() + FEnd, std::size_t(kCapacity - FEnd));
            if (n > 0) {
                FEnd += n;
                return true;
            }
            if (n == 0) {
                FAtEnd = true;
                return true;
            }
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                // a non-blocking descriptor handed down by the caller: wait for input
                pollfd p = {FFd, POLLIN, 0};
                if (::poll(&p, 1, -1) >= 0 || errno == EINTR) continue;
            }
            FReadError = errno;
            return false;
        }
    }

    int FFd;
    TOutput& FOut;
    std::unique_ptr<char[]> FData; // only the pages in use are touched
    qsizetype FStart = 0;          // first byte of the current line
    qsizetype FScan = 0;           // bytes before this are known to hold no newline
    qsizetype FEnd = 0;            // end of the bytes read
    bool FSkipping = false;        // dropping the rest of a line that is too long
    bool FAtEnd = false;
    int FReadError = 0;
};

} // namespace

int RunEvalCommand(const QStringList& Arguments, std::FILE* In, std::FILE* Out, std::FILE* Err) {
    QStringList lines;
    bool options = true;
    bool explain = false;
    for (const QString& a : Arguments) {
        if (options && a == u"--") {
            options = false;
        } else if (options && a == u"--explain") {
            explain = true;
        } else if (options && a.startsWith(u'-') && a.size() > 1) {
            Print(Err, QStringLiteral("korvex: unknown option %1\n").arg(a) + UsageText());
            std::fflush(Err);
            return esUsage;
        } else {
            lines << a;
        }
    }

    TCalculator calculator;
    calculator.StartWithDefaults();
    TEvalSession session(calculator);
    TOutput out(Out);
    int status = esValues;
    auto enter = [&](const QString& line) {
        bool ok = true;
        out.Line(session.Enter(line, &ok));
        if (ok) return;
        status = esMessage;
        if (explain)
            for (const QString& l : session.Explanation())
                out.Line(l);
    };
    int readError = 0;
    if (!lines.isEmpty()) {
        for (const QString& line : lines) {
            enter(line);
            if (out.Error()) break;
        }
    } else {
        TLineReader reader(fileno(In), out);
        QByteArrayView line;
        while (!out.Error()) {
            const TLineReader::TNext next = reader.Next(line);
            if (next == TLineReader::nxEnd) break;
            if (next == TLineReader::nxLine) {
                enter(QString::fromUtf8(line));
            } else {
                out.Line(QStringLiteral("Syntax error"));
                status = esMessage;
            }
        }
        readError = reader.ReadError();
    }
    out.Flush();
    if (out.Error()) {
        ReportWriteError(Err, out.Error());
        return esWriteError;
    }
    if (readError) {
        Print(Err, QStringLiteral("korvex: cannot read standard input: %1").arg(Reason(readError)));
        std::fflush(Err);
        return esReadError;
    }
    return status;
}

void HoldClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // the lowest free descriptor is the closed one, the lower ones being open
        const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

int PrintUsage(std::FILE* Out, std::FILE* Err) {
    TOutput out(Out);
    out.Line(UsageText().chopped(1)); // the text ends with its own newline
    out.Flush();
    if (!out.Error()) return esValues;
    ReportWriteError(Err, out.Error());
    return esWriteError;
}
