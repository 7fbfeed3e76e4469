// The bytes as the settings file: read with the history list, the variable
// store and the recorded expressions attached, written, and read again; what a
// save and a load keep must come back (numbers as their 15 significant digits),
// bytes that do not read as settings must be kept whole as a copy before the
// first save, and a second save must write the same file. Then a calculator starts from the
// file as the window does, confirms the restored line, recalls the history, runs
// the user's button and saves its state; restarted from that file twice, it
// saves the same state both times.

#include "FuzzCheck.h"

#include "AppData.h"
#include "Calculator.h"
#include "DecimalFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <type_traits>
#include <variant>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Standard error goes nowhere for the scope: a save over a file that is not
// settings says so there, for nearly every input.
class TQuiet {
public:
    TQuiet() : Saved(::dup(2)) {
        const int none = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (none >= 0) {
            ::dup2(none, 2);
            ::close(none);
        }
    }
    ~TQuiet() {
        if (Saved < 0) return;
        ::dup2(Saved, 2);
        ::close(Saved);
    }
    TQuiet(const TQuiet&) = delete;
    TQuiet& operator=(const TQuiet&) = delete;

private:
    int Saved;
};

// A settings object with all three lists lent.
struct TSettings {
    TExpressionHistoryList History;
    TVariableDictionary Variables;
    QStringList Records;
    TAppData Data;

    TSettings() {
        Data.ExpressionHistorys = &History;
        Data.VariableDictionary = &Variables;
    }
    void Read() {
        Records.clear();
        Data.RecordExpressions = &Records;
        Data.Read();
        Data.RecordExpressions = nullptr;
    }
    void Write() {
        Data.RecordExpressions = &Records;
        Data.Write();
        Data.RecordExpressions = nullptr;
    }
};

// A double as the file keeps it.
QString Saved(double x) {
    return DecimalFormat::General(x, 15, 0);
}

QByteArray Load(const QString& Path) {
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Put(const QString& Path, const QByteArray& Bytes) {
    QFile f(Path);
    Require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(Bytes) == Bytes.size(),
            "the settings file can be put in place", Path);
}

template <typename T> void Same(const T& First, const T& Second, const char* What) {
    if constexpr (std::is_same_v<T, QString>)
        Require(First == Second, What, QStringLiteral("\"%1\" came back as \"%2\"").arg(First, Second));
    else
        Require(First == Second, What,
                QStringLiteral("%1 came back as %2").arg(double(First)).arg(double(Second)));
}

// A variable name with blanks at its ends after folding to half width (a
// full-width space): the file trims them away, so the name comes back shorter.
bool NameLosesBlanks(const TVariableDictionary& Variables) {
    for (int i = 0; i < Variables.Count(); ++i) {
        const QString name = Variables.GetNameItems(i);
        if (!name.isEmpty() && (name.front() <= u' ' || name.back() <= u' ')) return true;
    }
    return false;
}

// A frame height near the largest Single rounds to 15 digits beyond it and reads
// as the default; no frame is that tall.
bool HeightTooLarge(const TAppData& Data) {
    return std::fabs(Data.RecordExpressionFrameHeight) >= 1e38f;
}

// What a save and a load keep.
void CompareLoads(const TSettings& a, const TSettings& b) {
    const TAppData& x = a.Data;
    const TAppData& y = b.Data;
    for (const TAppData::TSetting& s : TAppData::Settings())
        std::visit(
            [&](const auto& What) {
                using W = std::decay_t<decltype(What)>;
                if constexpr (!std::is_same_v<W, TAppData::TList>) {
                    const QByteArray what = QByteArray(s.Section) + '/' + s.Key + " survives a save";
                    const auto& u = x.*What.Member;
                    const auto& v = y.*What.Member;
                    using T = std::decay_t<decltype(u)>;
                    if constexpr (std::is_same_v<T, float>) {
                        if (!HeightTooLarge(x)) Same(Saved(u), Saved(v), what.constData());
                    } else if constexpr (std::is_same_v<T, double>) {
                        Same(Saved(u), Saved(v), what.constData());
                    } else if constexpr (std::is_enum_v<T>) {
                        Same(int(u), int(v), what.constData());
                    } else {
                        Same(u, v, what.constData());
                    }
                }
            },
            s.What);

    Same(a.History.size(), b.History.size(), "every history record survives a save");
    for (std::size_t i = 0; i < a.History.size(); ++i) {
        const TExpressionHistory& h = *a.History[i];
        const TExpressionHistory& k = *b.History[i];
        Same(h.ExpressionText(), k.ExpressionText(), "a record's expression survives a save");
        Same(Saved(h.Ans()), Saved(k.Ans()), "a record's Ans survives a save");
        Same(Saved(h.PreAns()), Saved(k.PreAns()), "a record's PreAns survives a save");
        Same(Saved(h.VarM()), Saved(k.VarM()), "a record's memory survives a save");
        Same(Saved(h.Value()), Saved(k.Value()), "a record's value survives a save");
        Same(int(h.AngleMode()), int(k.AngleMode()), "a record's angle mode survives a save");
        Same(int(h.ViewMode()), int(k.ViewMode()), "a record's display mode survives a save");
    }

    Same(a.Records.size(), b.Records.size(), "every recorded expression survives a save");
    for (qsizetype i = 0; i < a.Records.size(); ++i)
        Same(a.Records[i], b.Records[i], "a recorded expression survives a save");

    if (NameLosesBlanks(a.Variables)) return;
    Same(a.Variables.Count(), b.Variables.Count(), "every variable survives a save");
    for (int i = 0; i < a.Variables.Count(); ++i) {
        Same(a.Variables.GetNameItems(i), b.Variables.GetNameItems(i), "a variable's name survives a save");
        Same(Saved(a.Variables.GetValueItems(i)), Saved(b.Variables.GetValueItems(i)),
             "a variable's value survives a save");
    }
}

// The calculator of the window, started from the file, used, and saved.
void StartCalculator() {
    TCalculator c;
    MustNotThrow("starting from the file", [&] {
        c.FormShow();
        // the live preview would run on other threads and make runs differ
        c.SetIsRealTimeCalc(false);
        c.ResultText();
        c.CalcExpression(true);
        c.ResultText();
        c.UpKeyActionExecute();
        c.HistoryListClick(0);
        c.HistoryMenuItemClick(0);
        c.CustomBtnActionExecute();
        c.ResultText();
        TQuiet quiet;
        c.FormSaveState();
    });
}

// Started from its own file and closed at once, a calculator saves what it read.
QByteArray Restart(const QString& Path) {
    TCalculator c;
    MustNotThrow("a restart", [&] {
        c.FormShow();
        c.SetIsRealTimeCalc(false);
        c.ResultText();
        c.FormSaveState();
    });
    return Load(Path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // a folder of its own for the settings, in memory when TMPDIR says so
    static QTemporaryDir config(QDir::tempPath() + QStringLiteral("/korvex-fuzz-XXXXXX"));
    if (!config.isValid()) Broken("a temporary folder for the settings", config.errorString());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    static QCoreApplication app(*argc, *argv);
    QDir().mkpath(QFileInfo(TAppData::FileName()).absolutePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const QString path = TAppData::FileName();
    const QString copy = path + QStringLiteral(".bad");
    const QByteArray input(reinterpret_cast<const char*>(Data), qsizetype(Size));
    QFile::remove(copy);
    Put(path, input);

    TSettings first;
    MustNotThrow("Read", [&] { first.Read(); });
    MustNotThrow("Write of a readable file", [&] {
        TQuiet quiet;
        first.Write();
    });
    // a file that does not read as settings is kept whole before it is replaced
    if (QFile::exists(copy)) Require(Load(copy) == input, "the copy of a file that is not settings is whole");
    QFile::remove(copy);
    const QByteArray saved = Load(path);

    TSettings second;
    MustNotThrow("Read of a saved file", [&] { second.Read(); });
    CompareLoads(first, second);
    MustNotThrow("Write of a saved file", [&] { second.Write(); });
    const QByteArray resaved = Load(path);
    if (!NameLosesBlanks(first.Variables) && !HeightTooLarge(first.Data))
        Require(resaved == saved, "a second save writes the same file",
                [&] { return QString::fromUtf8(saved); });

    // from the second save on, nothing changes
    TSettings third;
    MustNotThrow("Read of a saved file", [&] { third.Read(); });
    CompareLoads(second, third);
    MustNotThrow("Write of a saved file", [&] { third.Write(); });
    Require(Load(path) == resaved, "a third save writes the same file",
            [&] { return QString::fromUtf8(resaved); });

    Put(path, input);
    StartCalculator();
    QFile::remove(copy);
    const QByteArray once = Restart(path);
    Require(Restart(path) == once, "a restart keeps the saved state",
            [&] { return QString::fromUtf8(once); });
    return 0;
}
