#include "AppData.h"

#include "DecimalFormat.h"
#include "IniFile.h"
#include "IntegerText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// A settings file holds a few hundred kilobytes even with a long history; a
// larger one is not ours, and reading it whole could exhaust memory.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

QString section(const char* Name, qsizetype Index) {
    return QLatin1String(Name) + QString::number(Index);
}

// A count never makes more entries than the file has lines, so a damaged count
// cannot exhaust memory. Within that, a count is honoured and a missing entry
// reads as defaults; a count beyond it is damage, and then only the entries up
// to the last one present are read rather than a list of blanks.
template <typename Present> qsizetype bounded(int Count, qsizetype Lines, Present EndOfPresent) {
    if (Count <= 0) return 0;
    if (Count <= Lines) return Count;
    return EndOfPresent(Lines);
}

// Reads the whole file. A missing file is an empty one; any other failure
// returns its reason.
QString load(const QString& Path, QByteArray& Bytes) {
    Bytes.clear();
    const QFileInfo info(Path);
    if (!info.exists()) return {};
    // a pipe or device in its place would block or never end
    if (!info.isFile()) return QStringLiteral("%1 is not a file").arg(Path);
    if (info.size() > kMaxFileSize) return QStringLiteral("%1 is too large").arg(Path);
    QFile f(Path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("Cannot read %1: %2").arg(Path, f.errorString());
    // A read allocates all it may read, so ask for what the file holds and go on
    // in steps only for a file that grew meanwhile, up to the bound.
    Bytes = f.read(info.size() + 1);
    while (Bytes.size() <= kMaxFileSize && f.error() == QFileDevice::NoError && !f.atEnd()) {
        const QByteArray more = f.read(std::min<qint64>(64 * 1024, kMaxFileSize + 1 - Bytes.size()));
        if (more.isEmpty()) break;
        Bytes += more;
    }
    if (f.error() != QFileDevice::NoError)
        return QStringLiteral("Cannot read %1: %2").arg(Path, f.errorString());
    if (Bytes.size() > kMaxFileSize) return QStringLiteral("%1 is too large").arg(Path);
    return {};
}

std::filesystem::path nativePath(const QString& Path) {
    return std::filesystem::path(QFile::encodeName(Path).toStdString());
}

void makeFolder(const QString& Folder) {
    std::error_code ec;
    std::filesystem::create_directories(nativePath(Folder), ec);
    if (ec)
        throw EInOutError(QStringLiteral("Cannot create %1: %2")
                              .arg(Folder, QString::fromStdString(ec.message()))
                              .toStdString());
}

// Makes the rename that replaced the file survive a power failure too.
void syncFolder(const QString& Folder) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(Folder);
#endif
}

// QSaveFile writes a temporary file beside the target, syncs it to disk and
// renames it over the target, so the old file stays whole until the new one is.
void save(const QString& Path, const QByteArray& Bytes) {
    QSaveFile f(Path);
    if (!f.open(QIODevice::WriteOnly) || f.write(Bytes) != Bytes.size() || !f.commit())
        throw EInOutError(QStringLiteral("Cannot write %1: %2").arg(Path, f.errorString()).toStdString());
    syncFolder(QFileInfo(Path).absolutePath());
}

// The largest doubles, written to 15 digits, round up to a number beyond the
// range (1.79769313486232E308); such a number reads as the largest double of its
// sign, so a saved answer of that size comes back instead of the default.
bool largestRounded(const QString& Text, double& Value) {
    DecimalFormat::TDecimal d;
    if (!DecimalFormat::ReadDecimal(Text, d) &&
        !DecimalFormat::ReadDecimal(Text, d, TFormatSettings::Plain()))
        return false;
    static const DecimalFormat::TDecimal top = [] {
        DecimalFormat::TDecimal t = DecimalFormat::Expand(DBL_MAX);
        DecimalFormat::Cut(t, 15, DecimalFormat::NoLimit);
        return t;
    }();
    if (d.Exponent != top.Exponent) return false;
    for (int i = 0; i < DecimalFormat::MaxDigits; ++i) {
        const int a = i < d.Count ? d.Digits[i] : 0;
        const int b = i < top.Count ? top.Digits[i] : 0;
        if (a != b) {
            if (a > b) return false;
            break;
        }
    }
    Value = d.Negative ? -DBL_MAX : DBL_MAX;
    return true;
}

class TReader {
public:
    explicit TReader(const TIniFile& Ini) : Ini(Ini) {}

    void Enter(const QString& Section) { Current = Ini.FindSection(Section); }

    int Integer(const QString& Key, int Default) const {
        const QStringView* v = TIniFile::Value(Current, Key);
        int r;
        return v && TextToInt(v->toString(), r) ? r : Default;
    }
    bool Boolean(const QString& Key, bool Default) const { return Integer(Key, Default ? 1 : 0) != 0; }
    double Float(const QString& Key, double Default) const {
        const QStringView* v = TIniFile::Value(Current, Key);
        if (!v) return Default;
        const QString text = v->toString();
        double r;
        // either separator, so that a change of locale loses nothing
        if ((DecimalFormat::Read(text, r) || DecimalFormat::Read(text, r, TFormatSettings::Plain())) &&
            std::isfinite(r))
            return r;
        if (largestRounded(text, r)) return r;
        return Default;
    }
    QString String(const QString& Key, const QString& Default = {}) const {
        const QStringView* v = TIniFile::Value(Current, Key);
        return v ? v->toString() : Default;
    }
    template <typename E> E Enumeration(const QString& Key, E Last) const {
        const int v = Integer(Key, 0);
        return v >= 0 && v <= int(Last) ? E(v) : E(0);
    }

private:
    const TIniFile& Ini;
    const TIniFile::TSection* Current = nullptr;
};

class TWriter {
public:
    explicit TWriter(TIniFile& Ini) : Ini(Ini) {}

    void Enter(const QString& Section) { Current = Section; }

    void Integer(const QString& Key, int Value) { String(Key, QString::number(Value)); }
    void Boolean(const QString& Key, bool Value) {
        String(Key, Value ? QStringLiteral("1") : QStringLiteral("0"));
    }
    void Float(const QString& Key, double Value) { String(Key, DecimalFormat::General(Value, 15, 0)); }
    void String(const QString& Key, const QString& Value) { Ini.SetValue(Current, Key, Value); }

private:
    TIniFile& Ini;
    QString Current;
};

} // namespace

QString TAppData::FileName() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) return {};
    return config + QStringLiteral("/Halvoren/Korvex/Korvex.ini");
}

void TAppData::Read() {
    TIniFile ini;
    QByteArray bytes;
    const QString path = FileName();
    if (!path.isEmpty() && load(path, bytes).isEmpty()) ini.Parse(bytes);
    const qsizetype lines = ini.LineCount();
    TReader r(ini);

    r.Enter(QStringLiteral("Position"));
    Left = r.Integer(QStringLiteral("Left"), -1);
    Top = r.Integer(QStringLiteral("Top"), -1);
    Width = r.Integer(QStringLiteral("Width"), -1);
    Height = r.Integer(QStringLiteral("Height"), -1);

    r.Enter(QStringLiteral("Realtime"));
    IsRealTimeCalc = r.Boolean(QStringLiteral("Calc"), false);

    if (ExpressionHistorys) {
        r.Enter(QStringLiteral("Expression"));
        InputExpressionText = r.String(QStringLiteral("Text"));
        IsHistoryRecord = r.Boolean(QStringLiteral("History"), false);
        // the history cannot be cut to fewer than no entries
        HistoryCount = std::max(0, r.Integer(QStringLiteral("Count"), 10));
        ExpressionHistorys->clear();
        if (IsHistoryRecord) {
            const qsizetype n =
                bounded(r.Integer(QStringLiteral("RecordCount"), 0), lines,
                        [&](qsizetype Limit) { return ini.NumberedSections(u"Expression", Limit); });
            ExpressionHistorys->reserve(n);
            for (qsizetype i = 0; i < n; ++i) {
                auto h = std::make_unique<TExpressionHistory>();
                r.Enter(section("Expression", i));
                h->SetExpressionText(r.String(QStringLiteral("Expression")));
                h->SetAns(r.Float(QStringLiteral("Ans"), 0));
                h->SetPreAns(r.Float(QStringLiteral("PreAns"), 0));
                h->SetVarM(r.Float(QStringLiteral("M"), 0));
                h->SetAngleMode(r.Enumeration(QStringLiteral("AngleMode"), atGrad));
                h->SetViewMode(r.Enumeration(QStringLiteral("ViewMode"), vtNotView));
                h->SetValue(r.Float(QStringLiteral("Value"), 0));
                ExpressionHistorys->push_back(std::move(h));
            }
        }
    }

    r.Enter(QStringLiteral("Variable"));
    IsVariableRecord = r.Boolean(QStringLiteral("Record"), false);
    if (VariableDictionary) {
        VariableDictionary->Clear();
        if (IsVariableRecord) {
            VarM = r.Float(QStringLiteral("M"), 0);
            const qsizetype m = bounded(r.Integer(QStringLiteral("Count"), 0), lines, [&](qsizetype Limit) {
                return ini.NumberedSections(u"Variable", Limit);
            });
            for (qsizetype i = 0; i < m; ++i) {
                r.Enter(section("Variable", i));
                VariableDictionary->AddOrSetValue(r.String(QStringLiteral("Name")),
                                                  r.Float(QStringLiteral("Value"), 0));
            }
        }
    }

    if (RecordExpressions) {
        r.Enter(QStringLiteral("RecordExpression"));
        const qsizetype k = bounded(r.Integer(QStringLiteral("Count"), 0), lines, [&](qsizetype Limit) {
            return TIniFile::NumberedKeys(ini.FindSection(u"RecordExpression"), u"Expression", Limit);
        });
        for (qsizetype i = 0; i < k; ++i)
            RecordExpressions->append(r.String(section("Expression", i)));
        const double height = r.Float(QStringLiteral("Height"), 30);
        RecordExpressionFrameHeight = std::fabs(height) <= FLT_MAX ? float(height) : 30.0f;
    }

    r.Enter(QStringLiteral("Variable"));
    Ans = r.Float(QStringLiteral("Ans"), 0);
    PreAns = r.Float(QStringLiteral("PreAns"), 0);

    r.Enter(QStringLiteral("Mode"));
    IsCalc = r.Boolean(QStringLiteral("Calc"), false);
    ViewMode = r.Enumeration(QStringLiteral("View"), vtNotView);
    AngleMode = r.Enumeration(QStringLiteral("Angle"), atGrad);
    IsTopMost = r.Boolean(QStringLiteral("TopMost"), false);
    Transparency = r.Boolean(QStringLiteral("Transparency"), false);
    TransparencyValue = r.Integer(QStringLiteral("TransparencyValue"), 0);
    IsDigitGroupingSeparator = r.Boolean(QStringLiteral("DigitGroupingSeparator"), false);
    RoundDecimal = r.Integer(QStringLiteral("RoundDecimal"), 0);
    Eng = r.Integer(QStringLiteral("Eng"), 0);

    r.Enter(QStringLiteral("CustomButton"));
    CustomBtnTitle = r.String(QStringLiteral("Title"));
    CustomBtnExpression = r.String(QStringLiteral("Expression"));
}

void TAppData::Write() {
    const QString path = FileName();
    if (path.isEmpty()) throw EInOutError("No folder for the settings file");
    makeFolder(QFileInfo(path).absolutePath());

    QByteArray bytes;
    // a file that cannot be read is not replaced: what it holds would be lost
    const QString failure = load(path, bytes);
    if (!failure.isEmpty()) throw EInOutError(failure.toStdString());
    TIniFile ini;
    ini.Parse(bytes);
    TWriter w(ini);

    w.Enter(QStringLiteral("Position"));
    w.Integer(QStringLiteral("Left"), Left);
    w.Integer(QStringLiteral("Top"), Top);
    w.Integer(QStringLiteral("Width"), Width);
    w.Integer(QStringLiteral("Height"), Height);

    w.Enter(QStringLiteral("Realtime"));
    w.Boolean(QStringLiteral("Calc"), IsRealTimeCalc);

    if (ExpressionHistorys) {
        w.Enter(QStringLiteral("Expression"));
        w.String(QStringLiteral("Text"), InputExpressionText);
        w.Boolean(QStringLiteral("History"), IsHistoryRecord);
        w.Integer(QStringLiteral("Count"), HistoryCount);
        if (IsHistoryRecord) {
            const TExpressionHistoryList& list = *ExpressionHistorys;
            w.Integer(QStringLiteral("RecordCount"), int(list.size()));
            const TExpressionHistory empty;
            for (std::size_t i = 0; i < list.size(); ++i) {
                const TExpressionHistory& h = list[i] ? *list[i] : empty;
                w.Enter(section("Expression", qsizetype(i)));
                w.String(QStringLiteral("Expression"), h.ExpressionText());
                w.Float(QStringLiteral("Ans"), h.Ans());
                w.Float(QStringLiteral("PreAns"), h.PreAns());
                w.Float(QStringLiteral("M"), h.VarM());
                w.Integer(QStringLiteral("AngleMode"), h.AngleMode());
                w.Integer(QStringLiteral("ViewMode"), h.ViewMode());
                w.Float(QStringLiteral("Value"), h.Value());
            }
        }
    }

    w.Enter(QStringLiteral("Variable"));
    w.Boolean(QStringLiteral("Record"), IsVariableRecord);
    if (IsVariableRecord) {
        w.Float(QStringLiteral("M"), VarM);
        if (VariableDictionary) {
            const int m = VariableDictionary->Count();
            w.Integer(QStringLiteral("Count"), m);
            for (int i = 0; i < m; ++i) {
                w.Enter(section("Variable", i));
                w.String(QStringLiteral("Name"), VariableDictionary->GetNameItems(i));
                w.Float(QStringLiteral("Value"), VariableDictionary->GetValueItems(i));
            }
        }
    }

    if (RecordExpressions) {
        w.Enter(QStringLiteral("RecordExpression"));
        w.Integer(QStringLiteral("Count"), int(RecordExpressions->size()));
        for (qsizetype i = 0; i < RecordExpressions->size(); ++i)
            w.String(section("Expression", i), RecordExpressions->at(i));
        w.Float(QStringLiteral("Height"), RecordExpressionFrameHeight);
    }

    w.Enter(QStringLiteral("Variable"));
    w.Float(QStringLiteral("Ans"), Ans);
    w.Float(QStringLiteral("PreAns"), PreAns);

    w.Enter(QStringLiteral("Mode"));
    w.Boolean(QStringLiteral("Calc"), IsCalc);
    w.Integer(QStringLiteral("View"), ViewMode);
    w.Integer(QStringLiteral("Angle"), AngleMode);
    w.Boolean(QStringLiteral("TopMost"), IsTopMost);
    w.Boolean(QStringLiteral("Transparency"), Transparency);
    w.Integer(QStringLiteral("TransparencyValue"), TransparencyValue);
    w.Boolean(QStringLiteral("DigitGroupingSeparator"), IsDigitGroupingSeparator);
    w.Integer(QStringLiteral("RoundDecimal"), RoundDecimal);
    w.Integer(QStringLiteral("Eng"), Eng);

    w.Enter(QStringLiteral("CustomButton"));
    w.String(QStringLiteral("Title"), CustomBtnTitle);
    w.String(QStringLiteral("Expression"), CustomBtnExpression);

    save(path, ini.Serialize());
}

void TAppData::Clear() {
    const QString path = FileName();
    if (!path.isEmpty()) {
        QFile f(path);
        if (f.exists() && !f.remove())
            throw EInOutError(
                QStringLiteral("Cannot delete %1: %2").arg(path, f.errorString()).toStdString());
    }
    Read();
}
