#include "AppData.h"

#include "DecimalFormat.h"
#include "IniFile.h"
#include "IntegerText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <type_traits>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A settings file holds a few hundred kilobytes even with a long history; a
// larger one is not ours, and reading it whole could exhaust memory.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

QString section(const char* Name, qsizetype Index) {
    return QLatin1String(Name) + QString::number(Index);
}

// Where a file is and when it last changed, to tell whether it is still the
// one read or written; a missing file is one state of its own.
struct TStamp {
    bool Exists = false;
    quint64 Device = 0;
    quint64 Inode = 0;
    qint64 Size = 0;
    qint64 Modified = 0;
    qint64 Changed = 0;
};

#ifdef Q_OS_UNIX
TStamp stamp(const struct stat& st) {
    TStamp s;
    s.Exists = true;
    s.Device = quint64(st.st_dev);
    s.Inode = quint64(st.st_ino);
    s.Size = qint64(st.st_size);
    s.Modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.Changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}
#endif

// The stamp of an open file; one that cannot be taken never matches a file.
TStamp stampOf(int Handle) {
#ifdef Q_OS_UNIX
    struct stat st;
    if (Handle >= 0 && ::fstat(Handle, &st) == 0) return stamp(st);
#else
    Q_UNUSED(Handle);
#endif
    TStamp s;
    s.Exists = true;
    s.Inode = ~quint64(0);
    return s;
}

TStamp stampOf(const QString& Path) {
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(Path).constData(), &st) == 0) return stamp(st);
    if (errno == ENOENT) return {};
#else
    Q_UNUSED(Path);
#endif
    return stampOf(-1);
}

// Reads the whole file. A missing file is an empty one; any other failure
// returns its reason.
QString load(const QString& Path, QByteArray& Bytes, TStamp& Stamp) {
    Bytes.clear();
    Stamp = {};
    const QFileInfo info(Path);
    if (!info.exists()) return {};
    // a pipe or device in its place would block or never end
    if (!info.isFile()) return QStringLiteral("%1 is not a file").arg(Path);
    if (info.size() > kMaxFileSize) return QStringLiteral("%1 is too large").arg(Path);
    QFile f(Path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("Cannot read %1: %2").arg(Path, f.errorString());
    Stamp = stampOf(f.handle());
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

[[noreturn]] void fail(const QString& Path, const QString& Reason) {
    throw EInOutError(QStringLiteral("Cannot write %1: %2").arg(Path, Reason).toStdString());
}

// QSaveFile writes a temporary file beside the target, syncs it to disk and
// renames it over the target, so the old file stays whole until the new one is.
// Written unbuffered, every failed write (a full disk, a file size limit) shows
// here, before the rename: commit would rename a file whose buffered tail
// failed to reach the disk.
TStamp save(const QString& Path, const QByteArray& Bytes) {
    // a link that leads nowhere is replaced, not followed to make a file where it points
    const QFileInfo info(Path);
    if (info.isSymLink() && !info.exists()) {
        std::error_code ec;
        std::filesystem::remove(nativePath(Path), ec);
        if (ec) fail(Path, QString::fromStdString(ec.message()));
    }
    QSaveFile f(Path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail(Path, f.errorString());
    for (qint64 done = 0; done < Bytes.size();) {
        const qint64 n = f.write(Bytes.constData() + done, Bytes.size() - done);
        if (n <= 0) {
            const QString reason = f.errorString();
            f.cancelWriting();
            fail(Path, reason);
        }
        done += n;
    }
#ifdef Q_OS_UNIX
    // a disk that fills up while the data is flushed says so here
    if (::fsync(f.handle()) != 0 && errno != EINVAL) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        f.cancelWriting();
        fail(Path, reason);
    }
#endif
    const TStamp before = stampOf(f.handle());
    if (!f.commit()) fail(Path, f.errorString());
    syncFolder(QFileInfo(Path).absolutePath());
    // taken once the file is in place, which changes its status; a file that is
    // not the one written is never taken for it
    const TStamp written = stampOf(Path);
    return written.Device == before.Device && written.Inode == before.Inode ? written : stampOf(-1);
}

// Keeps the bytes of a file that does not read as settings beside it, under a
// name of their own, before a save replaces it.
void keepCopy(const QString& Path, const QByteArray& Bytes) {
    for (int n = 0; n < 100; ++n) {
        const QString copy = Path + (n == 0 ? QStringLiteral(".bad") : QStringLiteral(".bad.%1").arg(n));
        const QFileInfo info(copy);
        if (info.exists() || info.isSymLink()) {
            QByteArray old;
            TStamp ignored;
            // the same bytes kept before need no second copy
            if (!info.isFile() || info.size() != Bytes.size() || !load(copy, old, ignored).isEmpty() ||
                old != Bytes)
                continue;
        } else {
            save(copy, Bytes);
        }
        std::fprintf(stderr, "korvex: %s does not read as a settings file; it is kept as %s\n",
                     QFile::encodeName(Path).constData(), QFile::encodeName(copy).constData());
        return;
    }
    throw EInOutError(QStringLiteral("Cannot write %1: it does not read as a settings file, and there is no "
                                     "free name for a copy of it")
                          .arg(Path)
                          .toStdString());
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

// The file's own numbers never carry group separators, so any of the decimal
// separators of the locales reads as one: a file saved under another locale
// loses nothing.
QString pointed(QString Text) {
    return Text.replace(u',', u'.').replace(QChar(0x066B), u'.');
}

int lastOf(TResultViewType) {
    return vtNotView;
}
int lastOf(TAngleType) {
    return atGrad;
}

class TReader {
public:
    explicit TReader(const TIniFile& Ini) : Ini(Ini) {}

    void Enter(const QString& Section) { Current = Ini.FindSection(Section); }

    int Integer(const QString& Key, int Default) const {
        const auto v = Ini.Value(Current, Key);
        int r;
        return v && TextToInt(*v, r) ? r : Default;
    }
    bool Boolean(const QString& Key, bool Default) const { return Integer(Key, Default ? 1 : 0) != 0; }
    double Float(const QString& Key, double Default) const {
        const auto v = Ini.Value(Current, Key);
        if (!v) return Default;
        const QString text = *v;
        double r;
        if (DecimalFormat::Read(text, r) && std::isfinite(r)) return r;
        const QString plain = pointed(text);
        if (DecimalFormat::Read(plain, r, TFormatSettings::Plain()) && std::isfinite(r)) return r;
        if (largestRounded(plain, r)) return r;
        return Default;
    }
    QString String(const QString& Key, const QString& Default = {}) const {
        const auto v = Ini.Value(Current, Key);
        return v ? *v : Default;
    }
    template <typename E> E Enumeration(const QString& Key, E Last, E Default = E(0)) const {
        const int v = Integer(Key, int(Default));
        return v >= 0 && v <= int(Last) ? E(v) : Default;
    }
    // A value of any type a setting holds.
    template <typename T> T Get(const QString& Key, const T& Default) const {
        if constexpr (std::is_same_v<T, bool>)
            return Boolean(Key, Default);
        else if constexpr (std::is_same_v<T, int>)
            return Integer(Key, Default);
        else if constexpr (std::is_same_v<T, double>)
            return Float(Key, Default);
        else if constexpr (std::is_same_v<T, float>) {
            const double v = Float(Key, Default);
            return std::fabs(v) <= FLT_MAX ? float(v) : Default;
        } else if constexpr (std::is_same_v<T, QString>)
            return String(Key, Default);
        else
            return Enumeration(Key, T(lastOf(T{})), Default);
    }

private:
    const TIniFile& Ini;
    qsizetype Current = TIniFile::NoSection;
};

// Puts the lines into a file, or, without one, counts the bytes they would
// take there, so that what is saved can be chosen to fit.
class TWriter {
public:
    explicit TWriter(TIniFile* Ini) : Ini(Ini) {}

    void Enter(const QString& Section) {
        if (Ini)
            Current = Ini->SetSection(Section);
        else
            Size += TIniFile::Utf8Size(Section) + 6; // "[" "]" and two line ends
    }

    void Integer(const QString& Key, int Value) { String(Key, QString::number(Value)); }
    void Boolean(const QString& Key, bool Value) {
        String(Key, Value ? QStringLiteral("1") : QStringLiteral("0"));
    }
    void Float(const QString& Key, double Value) { String(Key, DecimalFormat::General(Value, 15, 0)); }
    void String(const QString& Key, const QString& Value) {
        if (Ini)
            Ini->SetValue(Current, Key, Value);
        else
            Size += TIniFile::Utf8Size(Key) + TIniFile::Utf8Size(Value) + 3; // "=" and a line end
    }
    template <typename T> void Put(const QString& Key, const T& Value) {
        if constexpr (std::is_same_v<T, bool>)
            Boolean(Key, Value);
        else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, float>)
            Float(Key, Value);
        else if constexpr (std::is_same_v<T, QString>)
            String(Key, Value);
        else
            Integer(Key, int(Value));
    }

    qsizetype Size = 0;

private:
    TIniFile* Ini;
    qsizetype Current = TIniFile::NoSection;
};

void putRecord(TWriter& w, const TExpressionHistory& h, qsizetype Index) {
    w.Enter(section("Expression", Index));
    w.String(QStringLiteral("Expression"), h.ExpressionText());
    w.Float(QStringLiteral("Ans"), h.Ans());
    w.Float(QStringLiteral("PreAns"), h.PreAns());
    w.Float(QStringLiteral("M"), h.VarM());
    w.Integer(QStringLiteral("AngleMode"), h.AngleMode());
    w.Integer(QStringLiteral("ViewMode"), h.ViewMode());
    w.Float(QStringLiteral("Value"), h.Value());
}

const TExpressionHistory& record(const TExpressionHistoryList& List, std::size_t Index) {
    static const TExpressionHistory empty;
    return List[Index] ? *List[Index] : empty;
}

// Which history entries (oldest first) and recorded expressions (in their
// order) a save writes.
struct TChosen {
    std::vector<std::size_t> History;
    std::vector<qsizetype> Records;
};

// Whether the file keeps variables that a save with variable saving off leaves
// in place.
bool storesVariables(const TIniFile& Ini) {
    const qsizetype v = Ini.FindSection(u"Variable");
    return Ini.Value(v, u"M") || Ini.Value(v, u"Count") ||
           !Ini.NumberedSections(u"Variable", std::numeric_limits<qsizetype>::max()).empty();
}

using TSetting = TAppData::TSetting;
using TPart = TAppData::TPart;
using TList = TAppData::TList;

QString name(const char* Latin1) {
    return QString::fromLatin1(Latin1);
}

bool reads(TPart Part, const TAppData& d) {
    switch (Part) {
    case TPart::Always:
        return true;
    case TPart::History:
        return d.ExpressionHistorys;
    case TPart::Variables:
        return d.VariableDictionary;
    case TPart::Memory:
        return d.VariableDictionary && d.IsVariableRecord;
    case TPart::Records:
        return d.RecordExpressions;
    }
    return false;
}

bool writes(TPart Part, const TAppData& d) {
    return Part == TPart::Memory ? d.IsVariableRecord : reads(Part, d);
}

// Of the history entries present, the newest that the limit keeps. A count
// beyond the entries present is damage; missing entries are skipped, so that a
// damaged count costs nothing.
void readHistory(TReader& r, const TIniFile& Ini, TAppData& d, const TSetting& s) {
    d.ExpressionHistorys->clear();
    if (!d.IsHistoryRecord) return;
    r.Enter(name(s.Section));
    const std::vector<qsizetype> present = Ini.NumberedSections(name(s.Section), r.Integer(name(s.Key), 0));
    const std::size_t n = std::min(present.size(), std::size_t(d.HistoryCount));
    d.ExpressionHistorys->reserve(n);
    for (auto i = present.end() - qsizetype(n); i != present.end(); ++i) {
        auto h = std::make_unique<TExpressionHistory>();
        r.Enter(section("Expression", *i));
        h->SetExpressionText(r.String(QStringLiteral("Expression")));
        h->SetAns(r.Float(QStringLiteral("Ans"), 0));
        h->SetPreAns(r.Float(QStringLiteral("PreAns"), 0));
        h->SetVarM(r.Float(QStringLiteral("M"), 0));
        h->SetAngleMode(r.Enumeration(QStringLiteral("AngleMode"), atGrad));
        h->SetViewMode(r.Enumeration(QStringLiteral("ViewMode"), vtNotView));
        h->SetValue(r.Float(QStringLiteral("Value"), 0));
        d.ExpressionHistorys->push_back(std::move(h));
    }
}

void readVariables(TReader& r, const TIniFile& Ini, TAppData& d, const TSetting& s) {
    d.VariableDictionary->Clear();
    if (!d.IsVariableRecord) return;
    r.Enter(name(s.Section));
    for (const qsizetype i : Ini.NumberedSections(name(s.Section), r.Integer(name(s.Key), 0))) {
        r.Enter(section(s.Section, i));
        d.VariableDictionary->AddOrSetValue(r.String(QStringLiteral("Name")),
                                            r.Float(QStringLiteral("Value"), 0));
    }
}

void readRecords(TReader& r, const TIniFile& Ini, TAppData& d, const TSetting& s) {
    r.Enter(name(s.Section));
    for (const qsizetype i :
         Ini.NumberedKeys(Ini.FindSection(name(s.Section)), u"Expression", r.Integer(name(s.Key), 0)))
        d.RecordExpressions->append(r.String(section("Expression", i)));
}

} // namespace

std::span<const TSetting> TAppData::Settings() {
    using A = TAppData;
    static const TSetting settings[] = {
        {"Position", "Left", TField<int>{&A::Left, -1}},
        {"Position", "Top", TField<int>{&A::Top, -1}},
        {"Position", "Width", TField<int>{&A::Width, -1}},
        {"Position", "Height", TField<int>{&A::Height, -1}},
        {"Realtime", "Calc", TField<bool>{&A::IsRealTimeCalc, false}},
        {"Expression", "Text", TField<QString>{&A::InputExpressionText, {}}, TPart::History},
        {"Expression", "History", TField<bool>{&A::IsHistoryRecord, false}, TPart::History},
        {"Expression", "Count", TCount{&A::HistoryCount, 10}, TPart::History},
        {"Expression", "RecordCount", TList::History, TPart::History},
        {"Variable", "Record", TField<bool>{&A::IsVariableRecord, false}},
        {"Variable", "M", TField<double>{&A::VarM, 0}, TPart::Memory},
        {"Variable", "Count", TList::Variables, TPart::Variables},
        {"RecordExpression", "Count", TList::Records, TPart::Records},
        {"RecordExpression", "Height", TField<float>{&A::RecordExpressionFrameHeight, 30}, TPart::Records},
        {"Variable", "Ans", TField<double>{&A::Ans, 0}},
        {"Variable", "PreAns", TField<double>{&A::PreAns, 0}},
        {"Mode", "Calc", TField<bool>{&A::IsCalc, false}},
        {"Mode", "View", TField<TResultViewType>{&A::ViewMode, vtNormal}},
        {"Mode", "Angle", TField<TAngleType>{&A::AngleMode, atDeg}},
        {"Mode", "TopMost", TField<bool>{&A::IsTopMost, false}},
        {"Mode", "Transparency", TField<bool>{&A::Transparency, false}},
        {"Mode", "TransparencyValue", TField<int>{&A::TransparencyValue, 0}},
        {"Mode", "DigitGroupingSeparator", TField<bool>{&A::IsDigitGroupingSeparator, false}},
        {"Mode", "RoundDecimal", TField<int>{&A::RoundDecimal, 0}},
        {"Mode", "Eng", TField<int>{&A::Eng, 0}},
        {"CustomButton", "Title", TField<QString>{&A::CustomBtnTitle, {}}},
        {"CustomButton", "Expression", TField<QString>{&A::CustomBtnExpression, {}}},
    };
    return settings;
}

bool TAppData::TKnownFile::SameFile(const TKnownFile& Other) const {
    return Path == Other.Path && Exists == Other.Exists && Device == Other.Device && Inode == Other.Inode &&
           Size == Other.Size && Modified == Other.Modified && Changed == Other.Changed;
}

QString TAppData::FileName() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) return {};
    return config + QStringLiteral("/Halvoren/Korvex/Korvex.ini");
}

void TAppData::Read() {
    TIniFile ini;
    QByteArray bytes;
    TStamp stamp;
    const QString path = FileName();
    const bool loaded = !path.isEmpty() && load(path, bytes, stamp).isEmpty();
    const bool plain = loaded && ini.Parse(bytes);
    bytes = QByteArray(); // the parsed text holds all that is needed
    TReader r(ini);
    for (const TSetting& s : Settings()) {
        if (!reads(s.Part, *this)) continue;
        std::visit(
            [&](const auto& What) {
                using W = std::decay_t<decltype(What)>;
                if constexpr (std::is_same_v<W, TList>) {
                    switch (What) {
                    case TList::History:
                        readHistory(r, ini, *this, s);
                        break;
                    case TList::Variables:
                        readVariables(r, ini, *this, s);
                        break;
                    case TList::Records:
                        readRecords(r, ini, *this, s);
                        break;
                    }
                } else {
                    r.Enter(name(s.Section));
                    auto value = r.Get(name(s.Key), What.Default);
                    if constexpr (std::is_same_v<W, TCount>) value = std::max(0, value);
                    this->*What.Member = value;
                }
            },
            s.What);
    }

    FKnown = {};
    if (loaded) {
        // only a file read whole, with all three lists lent, is known to hold
        // nothing but the fields
        const bool clean =
            plain && ini.AllUsed() && ExpressionHistorys && VariableDictionary && RecordExpressions;
        FKnown = {path,           stamp.Exists,  stamp.Device, stamp.Inode,         stamp.Size,
                  stamp.Modified, stamp.Changed, clean,        storesVariables(ini)};
    }
}

namespace {

void putHistory(TWriter& w, TIniFile& Ini, const TAppData& d, const TSetting& s, const TChosen& Chosen) {
    if (d.IsHistoryRecord) {
        w.Enter(name(s.Section));
        w.Integer(name(s.Key), int(Chosen.History.size()));
        for (std::size_t i = 0; i < Chosen.History.size(); ++i)
            putRecord(w, record(*d.ExpressionHistorys, Chosen.History[i]), qsizetype(i));
        Ini.RemoveNumberedSections(name(s.Section), qsizetype(Chosen.History.size()));
    } else {
        Ini.RemoveKey(name(s.Section), name(s.Key));
        Ini.RemoveNumberedSections(name(s.Section), 0);
    }
}

void putVariables(TWriter& w, TIniFile& Ini, const TAppData& d, const TSetting& s) {
    if (!d.IsVariableRecord) return;
    const int m = d.VariableDictionary->Count();
    w.Enter(name(s.Section));
    w.Integer(name(s.Key), m);
    for (int i = 0; i < m; ++i) {
        w.Enter(section(s.Section, i));
        w.String(QStringLiteral("Name"), d.VariableDictionary->GetNameItems(i));
        w.Float(QStringLiteral("Value"), d.VariableDictionary->GetValueItems(i));
    }
    Ini.RemoveNumberedSections(name(s.Section), m);
}

void putRecords(TWriter& w, TIniFile& Ini, const TAppData& d, const TSetting& s, const TChosen& Chosen) {
    w.Enter(name(s.Section));
    w.Integer(name(s.Key), int(Chosen.Records.size()));
    for (std::size_t i = 0; i < Chosen.Records.size(); ++i)
        w.String(section("Expression", qsizetype(i)), d.RecordExpressions->at(Chosen.Records[i]));
    Ini.RemoveNumberedKeys(name(s.Section), u"Expression", qsizetype(Chosen.Records.size()));
}

// Puts the fields into the file, the chosen entries of the lists among them.
// No numbered entry at or above a count stays behind, so what was cleared is gone.
void put(TIniFile& Ini, const TAppData& d, const TChosen& Chosen) {
    TWriter w(&Ini);
    for (const TSetting& s : TAppData::Settings()) {
        if (!writes(s.Part, d)) continue;
        std::visit(
            [&](const auto& What) {
                using W = std::decay_t<decltype(What)>;
                if constexpr (std::is_same_v<W, TList>) {
                    switch (What) {
                    case TList::History:
                        putHistory(w, Ini, d, s, Chosen);
                        break;
                    case TList::Variables:
                        putVariables(w, Ini, d, s);
                        break;
                    case TList::Records:
                        putRecords(w, Ini, d, s, Chosen);
                        break;
                    }
                } else {
                    w.Enter(name(s.Section));
                    w.Put(name(s.Key), d.*What.Member);
                }
            },
            s.What);
    }
}

// Chooses, for a file of Size bytes with every entry in it, the recorded
// expressions and then the newest history entries that fit within the bound;
// one too large is passed over for the next. False when the rest alone is too
// large. Renumbering from 0 only shortens the names, so what is chosen fits.
bool fit(const TAppData& d, qsizetype Size, TChosen& Chosen) {
    std::vector<qsizetype> records, history;
    qsizetype lists = 0;
    for (std::size_t i = 0; i < Chosen.Records.size(); ++i) {
        TWriter w(nullptr);
        w.String(section("Expression", qsizetype(i)), d.RecordExpressions->at(Chosen.Records[i]));
        records.push_back(w.Size);
        lists += w.Size;
    }
    for (std::size_t i = 0; i < Chosen.History.size(); ++i) {
        TWriter w(nullptr);
        putRecord(w, record(*d.ExpressionHistorys, Chosen.History[i]), qsizetype(i));
        history.push_back(w.Size);
        lists += w.Size;
    }
    if (Size - lists > kMaxFileSize) return false;
    qsizetype room = kMaxFileSize - (Size - lists);
    TChosen kept;
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i] <= room) {
            kept.Records.push_back(Chosen.Records[i]);
            room -= records[i];
        }
    for (std::size_t i = history.size(); i-- > 0;)
        if (history[i] <= room) {
            kept.History.push_back(Chosen.History[i]);
            room -= history[i];
        }
    std::reverse(kept.History.begin(), kept.History.end());
    Chosen = std::move(kept);
    return true;
}

} // namespace

void TAppData::Write() {
    const QString path = FileName();
    if (path.isEmpty()) throw EInOutError("No folder for the settings file");
    makeFolder(QFileInfo(path).absolutePath());

    // A file known to hold nothing but the fields, and not changed since, is
    // built anew from them without reading it again.
    const TStamp now = stampOf(path);
    const TKnownFile current{path, now.Exists, now.Device, now.Inode, now.Size, now.Modified, now.Changed};
    const bool fresh = ExpressionHistorys && VariableDictionary && RecordExpressions && FKnown.Clean &&
                       (IsVariableRecord || !FKnown.HasVariables) && FKnown.SameFile(current);
    QByteArray bytes;
    if (!fresh) {
        TStamp ignored;
        // a file that cannot be read is not replaced: what it holds would be lost
        const QString failure = load(path, bytes, ignored);
        if (!failure.isEmpty()) throw EInOutError(failure.toStdString());
    }

    TChosen chosen;
    if (ExpressionHistorys && IsHistoryRecord)
        for (std::size_t i = 0; i < ExpressionHistorys->size(); ++i)
            chosen.History.push_back(i);
    if (RecordExpressions)
        for (qsizetype i = 0; i < RecordExpressions->size(); ++i)
            chosen.Records.push_back(i);

    TIniFile ini;
    const bool plain = fresh || ini.Parse(bytes);
    put(ini, *this, chosen);
    // what Read would refuse is never written
    const auto tooLarge = [&] {
        return EInOutError(QStringLiteral("Cannot write %1: the settings would be larger than %2 bytes")
                               .arg(path)
                               .arg(kMaxFileSize)
                               .toStdString());
    };
    if (const qsizetype size = ini.SerializedSize(); size > kMaxFileSize) {
        if (!fit(*this, size, chosen)) throw tooLarge();
        ini = TIniFile();
        if (!fresh) ini.Parse(bytes);
        put(ini, *this, chosen);
        if (ini.SerializedSize() > kMaxFileSize) throw tooLarge();
    }
    if (!fresh && ini.AllUsed()) {
        // nothing of the old file is kept: written as a fresh file, the same
        // whatever layout the old one had
        TIniFile own;
        put(own, *this, chosen);
        ini = std::move(own);
    }
    if (!plain && !bytes.isEmpty()) keepCopy(path, bytes);
    bytes = QByteArray();

    const TStamp written = save(path, ini.Serialize());
    FKnown = {path,
              written.Exists,
              written.Device,
              written.Inode,
              written.Size,
              written.Modified,
              written.Changed,
              ini.AllUsed(),
              storesVariables(ini)};
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
