// `korvex --eval` as a process: arguments, standard input, exit status.
#include "EvalSession.h"

#include <QProcess>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

Outcome Korvex(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(KORVEX_BINARY), args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(20000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

std::string ReadAll(QTemporaryFile& f) {
    f.seek(0);
    return f.readAll().toStdString();
}

// The lines korvex itself wrote on standard error (a sanitizer may add its own).
std::string Messages(const QString& Err) {
    std::string own;
    for (const QString& line : Err.split(u'\n'))
        if (line.startsWith(u"korvex: ")) own += line.toStdString() + "\n";
    return own;
}

// korvex with standard descriptors the caller chooses (-1: closed) and SIGPIPE
// ignored, in the C locale so that the reasons are the system's English ones.
// Standard error, and standard output when Out is kCapture, go to files.
// WhileRunning runs once the program has started (a writer feeding its input);
// HoldOpen is closed only after the program has ended, so a program that goes
// on reading after it should have stopped hangs and is killed.
constexpr int kCapture = -2;

Outcome Spawn(const QStringList& Args, int In, int Out, const std::function<void()>& WhileRunning = {},
              int HoldOpen = -1) {
    QTemporaryFile out, err;
    if (!out.open() || !err.open()) return {-1, {}, "no temporary file"};
    if (Out == kCapture) Out = out.handle();

    // everything the child needs is made before it exists
    std::vector<std::string> words{KORVEX_BINARY};
    for (const QString& a : Args)
        words.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::string locale = "LC_ALL=C";
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 7) != "LC_ALL=") envp.push_back(*e);
    envp.push_back(locale.data());
    envp.push_back(nullptr);
    const int errFd = err.handle();

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_IGN);
        const int from[] = {In, Out, errFd};
        for (int fd = 0; fd <= 2; ++fd) {
            if (from[fd] < 0)
                ::close(fd);
            else if (from[fd] != fd)
                ::dup2(from[fd], fd);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0) return {-1, {}, "fork failed"};
    if (WhileRunning) WhileRunning();
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < 2000 && !ended; ++waited) {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    if (HoldOpen >= 0) ::close(HoldOpen);
    EXPECT_TRUE(ended) << "korvex did not end by itself";
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return {code, QString::fromStdString(ReadAll(out)), QString::fromStdString(ReadAll(err))};
}

struct TPipe {
    int read = -1, write = -1;
    TPipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) read = fds[0], write = fds[1];
    }
    ~TPipe() { CloseRead(), CloseWrite(); }
    void CloseRead() {
        if (read >= 0) ::close(read);
        read = -1;
    }
    void CloseWrite() {
        if (write >= 0) ::close(write);
        write = -1;
    }
    void Write(const char* Text) {
        ASSERT_EQ(::write(write, Text, std::strlen(Text)), ssize_t(std::strlen(Text)));
    }
};

} // namespace

// Answers that cannot be written fail the command with a status of their own,
// and no more input is read after the first failure.
TEST(EvalCommand, OutputThatCannotBeWritten) {
    enum TTarget { tFull, tClosed, tNoReader };
    struct Case {
        const char* what;
        TTarget target;
        QStringList args;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/full, lines from arguments", tFull, {"--eval", "1+2", "2*3"}, "No space left on device"},
        {"/dev/full, standard input held open", tFull, {"--eval"}, "No space left on device"},
        {"closed, standard input held open", tClosed, {"--eval"}, "Bad file descriptor"},
        {"closed, lines from arguments", tClosed, {"--eval", "1+2"}, "Bad file descriptor"},
        {"a pipe whose reader has gone", tNoReader, {"--eval"}, "Broken pipe"},
        {"--help to /dev/full", tFull, {"--help"}, "No space left on device"},
    };
    for (const Case& c : cases) {
        TPipe input, output;
        int out = -1;
        if (c.target == tFull) out = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        if (c.target == tNoReader) out = output.write, output.CloseRead();
        // two answers are waiting to be written when korvex would read on
        input.Write("1+2\n2*3\n");
        const Outcome r = Spawn(c.args, input.read, out, {}, std::exchange(input.write, -1));
        if (c.target == tFull) ::close(out);
        EXPECT_EQ(r.status, esWriteError) << c.what;
        EXPECT_EQ(Messages(r.err), std::string("korvex: write error: ") + c.reason + "\n") << c.what;
    }
}

// Every kind of standard input is read to its end, or the command says why not.
TEST(EvalCommand, KindsOfStandardInput) {
    enum TSource { sNonBlockingPipe, sDirectory, sClosed, sDevNull };
    struct Case {
        const char* what;
        TSource source;
        int status;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {"a non-blocking pipe whose writer waits", sNonBlockingPipe, esValues, "3\n6\n", ""},
        {"a directory", sDirectory, esReadError, "", "korvex: cannot read standard input: Is a directory\n"},
        {"closed", sClosed, esReadError, "", "korvex: cannot read standard input: Bad file descriptor\n"},
        {"/dev/null", sDevNull, esValues, "", ""},
    };
    for (const Case& c : cases) {
        TPipe pipe;
        int in = -1;
        std::function<void()> writer;
        switch (c.source) {
        case sNonBlockingPipe:
            in = pipe.read;
            ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) | O_NONBLOCK);
            writer = [&pipe] {
                // the first read finds nothing there yet
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                pipe.Write("1+2\n");
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                pipe.Write("2*3");
                pipe.CloseWrite();
            };
            break;
        case sDirectory:
            in = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            break;
        case sClosed:
            break;
        case sDevNull:
            in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            break;
        }
        const Outcome r = Spawn({"--eval"}, in, kCapture, writer);
        if (c.source == sDirectory || c.source == sDevNull) ::close(in);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.out.toStdString(), c.out) << c.what;
        EXPECT_EQ(Messages(r.err), c.err) << c.what;
    }
}

// A line past the bound is answered "Syntax error" without being kept; the
// lines after it are read as usual. "X===…" is an assignment with nothing to
// assign, which the calculator takes at any length and which leaves the last
// value on display, so it shows on which side of the bound a line is.
TEST(EvalCommand, LinesPastTheBound) {
    const auto assign = [](qsizetype Bytes) { return "X" + QByteArray(Bytes - 1, '='); };
    struct Case {
        const char* what;
        QByteArray input;
        int status;
        const char* out;
    };
    const Case cases[] = {
        {"at the bound", "2\n" + assign(EvalMaxLineBytes) + "\n", esValues, "2\n2\n"},
        {"at the bound, then CR LF", "2\n" + assign(EvalMaxLineBytes) + "\r\n3", esValues, "2\n2\n3\n"},
        {"one byte past it", "2\n" + assign(EvalMaxLineBytes + 1) + "\n3\n", esMessage,
         "2\nSyntax error\n3\n"},
        {"past it at the end of the input", "2\n" + assign(EvalMaxLineBytes + 1), esMessage,
         "2\nSyntax error\n"},
        {"a line of several blocks", assign(3 * EvalMaxLineBytes) + "\n1+2\n", esMessage,
         "Syntax error\n3\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = Korvex({"--eval"}, c.input);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.out.toStdString(), c.out) << c.what;
    }
}

TEST(EvalCommand, LinesFromArgumentsAndStatus) {
    struct Case {
        QStringList args;
        int status;
        const char* out;
    };
    const Case cases[] = {
        {{"--eval", "1+2"}, 0, "3\n"},
        {{"--eval", "A=3", "A*2", "@FIX2"}, 0, "3\n6\n6.00\n"},
        {{"--eval", "--", "-5"}, 0, "-5\n"},
        {{"--eval", "1/0", "2"}, 1, "Error\n2\n"},        // any line with a message
        {{"--eval", "1E30", "@HEX"}, 1, "1E30\nError\n"}, // a value that cannot be shown
        {{"--eval", "@CALC:A*B", "3", "4"}, 0, "0\n0\n12\n"},
        // a display change shows the newest value and changes no value
        {{"--eval", "5", "7", "@HEX", "@NORM", "GT", "GTCOUNT"}, 0, "5\n7\n0x7\n7\n12\n3\n"},
        {{"--eval", "5", "7", "@FIX2", "PREANS"}, 0, "5\n7\n7.00\n5.00\n"},
        {{"--eval", "2", "ANS*2", "@FIX2", "@NORM", "ANS"}, 0, "2\n4\n4.00\n4\n4\n"},
        {{"--eval", "A B=3"}, 1, "Syntax error\n"}, // a name no line could use
        {{"--eval", "\u22125+2"}, 0, "-3\n"},
        // --explain: the failed line and carets under its place, indented
        {{"--eval", "--explain", "1+XYZ*2", "2"}, 1, "Syntax error\n  1+XYZ*2\n    ^^^\n2\n"},
        {{"--eval", "--explain", "--", "2*(1/0)", "70!", "1/0", ""},
         1,
         "Infinity error\n  2*(1/0)\n    ^^^^^\nDomain error\n  70!\n    ^\nError\nSyntax error\n"},
        {{"--eval", "--explain", "\uFF11\uFF0B\uFF58\uFF59", "A\t= 1+"},
         1, // full-width characters take two columns, a tab stays
         "Syntax error\n  \uFF11\uFF0B\uFF58\uFF59\n      ^^^^\nSyntax error\n  A\t= 1+\n   \t   ^\n"},
        {{"--eval", "--", "--explain"}, 1, "Syntax error\n"}, // a line, not the option
    };
    for (const Case& c : cases) {
        const Outcome r = Korvex(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out.toStdString(), c.out) << c.args.join(' ').toStdString();
    }
}

TEST(EvalCommand, StandardInputInUtf8) {
    const Outcome r =
        Korvex({"--eval"}, QString::fromUtf16(u"\uFF11\uFF12\u00D7\uFF13\r\nsin 30\n@DMS\n12.5125").toUtf8());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QString::fromUtf16(u"36\n0.5\n0\u00B030\u20320\u2033\n12\u00B030\u203245\u2033\n"));
}

TEST(EvalCommand, UsageErrorsAndHelp) {
    const Outcome bad = Korvex({"--eval", "--frobnicate"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_TRUE(bad.err.contains("--eval"));
    const Outcome help = Korvex({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--eval"));
    EXPECT_TRUE(help.out.contains("--explain"));
}
