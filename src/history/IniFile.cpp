#include "IniFile.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Offsets with this bit lie in the text of what was set; each text stays below it.
constexpr std::uint32_t kExtra = 0x80000000u;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// A section is searched key by key until it has been searched this many times,
// or for good when it has no more keys than this.
constexpr int kSearches = 8;

// A name table is kept at most this many tenths full.
constexpr std::size_t kLoad = 5;

// Blanks and control characters around a line, a name or a value do not count.
// No byte of a character beyond ASCII is one of them.
bool blank(char c) {
    return uchar(c) <= ' ';
}

QByteArrayView trim(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QByteArrayView trimRight(QByteArrayView s) {
    qsizetype e = s.size();
    while (e > 0 && blank(s[e - 1]))
        --e;
    return s.first(e);
}

// A name or value as text; a byte-order mark at its start is a character of it.
QString decode(QByteArrayView s) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(s);
}

bool ascii(QByteArrayView s) {
    for (const char c : s)
        if (uchar(c) >= 0x80) return false;
    return true;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 0x20) : c;
}

// Names compare as their characters do without letter case; names of ASCII
// alone, nearly all of them, without decoding.
bool same(QByteArrayView a, QByteArrayView b) {
    // numbered names differ at their ends: looked at first
    if (!a.isEmpty() && !b.isEmpty() && uchar(a.back()) < 0x80 && uchar(b.back()) < 0x80 &&
        lower(a.back()) != lower(b.back()))
        return false;
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (uchar(a[i]) >= 0x80 || uchar(b[i]) >= 0x80) {
            const QString x = decode(a.sliced(i)), y = decode(b.sliced(i));
            return x.compare(y, Qt::CaseInsensitive) == 0;
        }
        if (lower(a[i]) != lower(b[i])) return false;
    }
    // a character folds to one character, so a longer name is another
    return a.size() == b.size();
}

// Hashes the case-folded code points, as the comparison sees them.
size_t hash(QByteArrayView Name) {
    size_t h = 0x9E3779B97F4A7C15ull;
    if (ascii(Name)) {
        for (const char c : Name)
            h = (h ^ size_t(uchar(lower(c)))) * 0x100000001B3ull;
    } else {
        const QString s = decode(Name);
        for (qsizetype i = 0; i < s.size(); ++i) {
            char32_t c = s[i].unicode();
            if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(s[i], s[i + 1]), ++i;
            h = (h ^ size_t(QChar::toCaseFolded(c))) * 0x100000001B3ull;
        }
    }
    // the bits spread over the low ones, which pick a slot
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
}

// UTF-8 as QString::toUtf8 writes it: a surrogate without its partner becomes "?".
qsizetype utf8Size(QStringView s) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80)
            n += 1;
        else if (c < 0x800)
            n += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            n += 4, ++i;
        else if (QChar::isSurrogate(c))
            n += 1;
        else
            n += 3;
    }
    return n;
}

char* putUtf8(char* out, QStringView s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80) {
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(c, s[++i].unicode());
            *out++ = char(0xF0 | (u >> 18));
            *out++ = char(0x80 | ((u >> 12) & 0x3F));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            *out++ = '?';
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A name asked for, in UTF-8 like the text.
class TName {
public:
    explicit TName(QStringView Name) {
        Bytes.resize(utf8Size(Name));
        putUtf8(Bytes.data(), Name);
    }
    QByteArrayView View() const { return QByteArrayView(Bytes.constData(), Bytes.size()); }

private:
    QVarLengthArray<char, 64> Bytes;
};

// N of a name Prefix followed by N in plain decimal (no sign, no leading zero),
// or -1.
qsizetype numbered(QByteArrayView Name, QByteArrayView Prefix) {
    QByteArrayView digits;
    if (ascii(Name)) {
        if (Name.size() < Prefix.size() || !same(Name.first(Prefix.size()), Prefix)) return -1;
        digits = Name.sliced(Prefix.size());
    } else {
        const QString name = decode(Name);
        const QString prefix = decode(Prefix);
        if (!name.startsWith(prefix, Qt::CaseInsensitive)) return -1;
        // the digits are ASCII, so the name's last bytes
        qsizetype n = name.size() - prefix.size();
        if (n > Name.size()) return -1;
        digits = Name.last(n);
    }
    if (digits.isEmpty() || digits.size() > 18 || (digits.size() > 1 && digits[0] == '0')) return -1;
    qsizetype n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Whether the bytes are UTF-8 throughout, decoded piece by piece so that no
// copy of the whole text is made. Pieces end between characters.
bool validUtf8(QByteArrayView Bytes) {
    constexpr qsizetype kPiece = 64 * 1024;
    std::vector<QChar> buffer(kPiece + 16);
    for (qsizetype at = 0; at < Bytes.size();) {
        qsizetype end = std::min(at + kPiece, Bytes.size());
        for (int back = 0; back < 3 && end < Bytes.size() && (uchar(Bytes[end]) & 0xC0) == 0x80; ++back)
            --end;
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        utf8.appendToBuffer(buffer.data(), Bytes.sliced(at, end - at));
        if (utf8.hasError()) return false;
        at = end;
    }
    return true;
}

} // namespace

void TIniFile::TNameTable::Reserve(qsizetype Count) {
    std::size_t size = 16;
    while (size * kLoad < std::size_t(Count) * 10)
        size *= 2;
    if (size > Slots.size()) {
        Q_ASSERT(Used == 0);
        Slots.assign(size, kNone);
    }
}

template <typename NameOf> qsizetype TIniFile::TNameTable::Find(QByteArrayView Name, NameOf Of) const {
    if (Slots.empty()) return -1;
    const size_t mask = Slots.size() - 1;
    for (size_t i = hash(Name) & mask;; i = (i + 1) & mask) {
        const std::uint32_t item = Slots[i];
        if (item == kNone) return -1;
        if (same(Of(item), Name)) return item;
    }
}

template <typename NameOf> void TIniFile::TNameTable::Insert(std::uint32_t Item, NameOf Of) {
    if (std::size_t(Used + 1) * 10 > Slots.size() * kLoad) Grow(Of);
    const size_t mask = Slots.size() - 1;
    size_t i = hash(Of(Item)) & mask;
    while (Slots[i] != kNone)
        i = (i + 1) & mask;
    Slots[i] = Item;
    ++Used;
}

template <typename NameOf> void TIniFile::TNameTable::Grow(NameOf Of) {
    std::vector<std::uint32_t> old(std::max<size_t>(16, Slots.size() * 2), kNone);
    old.swap(Slots);
    const size_t mask = Slots.size() - 1;
    for (const std::uint32_t item : old) {
        if (item == kNone) continue;
        size_t i = hash(Of(item)) & mask;
        while (Slots[i] != kNone)
            i = (i + 1) & mask;
        Slots[i] = item;
    }
}

QByteArrayView TIniFile::Buffer(std::uint32_t Offset) const {
    return (Offset & kExtra) ? QByteArrayView(Extra) : QByteArrayView(Text);
}

std::uint32_t TIniFile::LineEnd(std::uint32_t Offset) const {
    const QByteArrayView in = Buffer(Offset);
    qsizetype at = Offset & ~kExtra;
    while (at < in.size() && in[at] != '\n' && in[at] != '\r')
        ++at;
    return std::uint32_t(at) | (Offset & kExtra);
}

QByteArrayView TIniFile::Span(std::uint32_t From, std::uint32_t To) const {
    const qsizetype from = From & ~kExtra;
    return Buffer(From).sliced(from, (To & ~kExtra) - from);
}

QByteArrayView TIniFile::SectionName(qsizetype Section) const {
    const TSection& s = Sections[Section];
    return Span(s.Name, s.Name + s.NameSize);
}

QByteArrayView TIniFile::EntryName(qsizetype Entry) const {
    const TEntry& e = Entries[Entry];
    const QByteArrayView name = Span(e.Start, e.Split);
    return (e.Start & kExtra) ? name : trimRight(name);
}

std::optional<QByteArrayView> TIniFile::EntryValue(qsizetype Entry) const {
    const TEntry& e = Entries[Entry];
    const QByteArrayView in = Buffer(e.Split);
    const qsizetype split = e.Split & ~kExtra;
    if (split >= in.size() || in[split] != '=') return std::nullopt;
    const QByteArrayView value = Span(e.Split + 1, LineEnd(e.Split + 1));
    return (e.Start & kExtra) ? value : trim(value);
}

template <typename Visit> void TIniFile::ForEntries(qsizetype Section, Visit Do) const {
    const TSection& s = Sections[Section];
    for (std::uint32_t i = s.First; i < s.First + s.Count; ++i)
        if (!EntryGone[i] && !Do(qsizetype(i))) return;
    const auto chain = Added.constFind(std::uint32_t(Section));
    if (chain == Added.constEnd()) return;
    for (std::uint32_t i = chain->First; i != kNone; i = NextAdded[i - ParsedEntries])
        if (!EntryGone[i] && !Do(qsizetype(i))) return;
}

bool TIniFile::Parse(const QByteArray& Bytes) {
    *this = TIniFile();
    // the mark, and a second one, as decoding the text would skip it too
    qsizetype begin = 0;
    for (int i = 0; i < 2 && QByteArrayView(Bytes).sliced(begin).startsWith("\xEF\xBB\xBF"); ++i)
        begin += 3;
    const QByteArrayView bytes = QByteArrayView(Bytes).sliced(begin);
    // each byte is at most three of the repaired text, and an offset holds fewer
    if (bytes.size() >= qsizetype(kExtra / 3)) return false;
    Text = Bytes; // shared, not copied
    QByteArrayView all(Text);
    qsizetype n = all.size();
    // Calls Do(b, e) with the trimmed bounds of each line that is not blank.
    // Blanks and line breaks between lines are passed over in one run, which
    // Between(b, e) sees.
    const auto forLines = [&](auto Do, auto Between) {
        qsizetype pos = begin;
        for (;;) {
            const qsizetype from = pos;
            while (pos < n && blank(all[pos]))
                ++pos;
            Between(from, pos);
            if (pos >= n) return;
            qsizetype e = pos;
            while (e < n && all[e] != '\n' && all[e] != '\r')
                ++e;
            while (blank(all[e - 1]))
                --e;
            Do(pos, e);
            pos = e;
        }
    };
    const auto header = [&](qsizetype b, qsizetype e) {
        return all[b] == '[' && all[e - 1] == ']' && e - b >= 2;
    };

    // Counted first in one pass, so that the arrays are allocated once at
    // their size: the lines, what they are, and whether a NUL is among them.
    qsizetype entries = 0, sections = 0;
    bool nul = false;
    const auto count = [&] {
        entries = sections = Lines = 0;
        nul = false;
        forLines(
            [&](qsizetype b, qsizetype e) {
                nul = nul || std::memchr(all.data() + b, 0, size_t(e - b)) != nullptr;
                if (all[b] != ';') ++(header(b, e) ? sections : entries);
            },
            [&](qsizetype b, qsizetype e) {
                // a line ends at LF, CR or CR LF
                for (qsizetype i = b; i < e; ++i) {
                    const char c = all[i];
                    Lines += c == '\n' || (c == '\r' && (i + 1 == n || all[i + 1] != '\n'));
                    nul = nul || c == 0;
                }
            });
        // or at the end of the text
        if (n > begin && all[n - 1] != '\n' && all[n - 1] != '\r') ++Lines;
    };
    count();
    bool plain = !nul && validUtf8(bytes);
    if (!plain) {
        // Bytes that are not UTF-8 become replacement characters, as a reader
        // sees them, and a NUL, which a line's ends pass over as blank, a
        // space: the text written back is text.
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf8(bytes);
        text.replace(QChar(0), u' ');
        Text = text.toUtf8();
        all = QByteArrayView(Text);
        n = all.size();
        begin = 0;
        count();
    }
    Entries.reserve(entries);
    Sections.reserve(sections);
    SectionTable.Reserve(sections);

    qsizetype current = NoSection;
    // once a section turns up a second time, each entry notes its section, and
    // the entries are brought together by section at the end
    bool split = false;
    std::vector<std::uint32_t> owners;
    forLines(
        [&](qsizetype b, qsizetype e) {
            if (all[b] == ';') return;
            if (header(b, e)) {
                const QByteArrayView name = trim(all.sliced(b + 1, e - b - 2));
                const qsizetype before = qsizetype(Sections.size());
                current = AddSection(std::uint32_t(name.data() - all.data()), std::uint32_t(name.size()));
                if (current < before && !split) {
                    split = true;
                    owners.reserve(entries);
                    owners.resize(Entries.size());
                    for (std::size_t s = 0; s < Sections.size(); ++s)
                        std::fill_n(owners.begin() + Sections[s].First, Sections[s].Count, std::uint32_t(s));
                }
                return;
            }
            if (current == NoSection) {
                plain = false; // text before the first section belongs to none
                return;
            }
            const qsizetype eq = all.sliced(b, e - b).indexOf('=');
            Entries.push_back({std::uint32_t(b), std::uint32_t(eq < 0 ? e : b + eq)});
            if (split)
                owners.push_back(std::uint32_t(current));
            else
                ++Sections[current].Count;
        },
        [](qsizetype, qsizetype) {});
    if (split) {
        // a stable counting sort: the entries of a later part follow the earlier
        std::vector<std::uint32_t> at(Sections.size() + 1, 0);
        for (const std::uint32_t o : owners)
            ++at[o + 1];
        for (std::size_t s = 0; s < Sections.size(); ++s) {
            at[s + 1] += at[s];
            Sections[s].First = at[s];
            Sections[s].Count = at[s + 1] - at[s];
        }
        std::vector<TEntry> sorted(Entries.size());
        for (std::size_t i = 0; i < Entries.size(); ++i)
            sorted[at[owners[i]]++] = Entries[i];
        Entries.swap(sorted);
    }
    ParsedEntries = std::uint32_t(Entries.size());
    EntryGone.assign(Entries.size(), false);
    EntryUsed.assign(Entries.size(), false);
    SectionGone.assign(Sections.size(), false);
    SectionSet.assign(Sections.size(), false);
    SectionUsed.assign(Sections.size(), false);
    return plain;
}

template <typename Put> void TIniFile::Walk(Put Emit) const {
    for (std::size_t s = 0; s < Sections.size(); ++s) {
        if (SectionGone[s]) continue;
        Emit("[");
        Emit(SectionName(qsizetype(s)));
        Emit("]\r\n");
        ForEntries(qsizetype(s), [&](qsizetype e) {
            Emit(EntryName(e));
            if (const auto v = EntryValue(e)) {
                Emit("=");
                Emit(*v);
            }
            Emit("\r\n");
            return true;
        });
        Emit("\r\n");
    }
}

qsizetype TIniFile::Utf8Size(QStringView Text) {
    return utf8Size(Text);
}

qsizetype TIniFile::SerializedSize() const {
    qsizetype n = 3;
    Walk([&](QByteArrayView s) { n += s.size(); });
    return n;
}

QByteArray TIniFile::Serialize() const {
    QByteArray bytes(SerializedSize(), Qt::Uninitialized);
    char* out = std::copy_n("\xEF\xBB\xBF", 3, bytes.data());
    Walk([&](QByteArrayView s) { out = std::copy_n(s.data(), s.size(), out); });
    Q_ASSERT(out == bytes.data() + bytes.size());
    return bytes;
}

qsizetype TIniFile::AddSection(std::uint32_t Name, std::uint32_t NameSize) {
    // a section that appears twice is read as one, in the place of the first
    const auto of = [this](std::uint32_t s) { return SectionName(s); };
    const qsizetype found = SectionTable.Find(Span(Name, Name + NameSize), of);
    if (found >= 0) return found;
    Sections.push_back({Name, NameSize, std::uint32_t(Entries.size()), 0});
    const std::uint32_t s = std::uint32_t(Sections.size() - 1);
    SectionTable.Insert(s, of);
    return s;
}

qsizetype TIniFile::FindSection(QByteArrayView Name) const {
    return SectionTable.Find(Name, [this](std::uint32_t s) { return SectionName(s); });
}

qsizetype TIniFile::FindSection(QStringView Name) const {
    const qsizetype s = FindSection(TName(Name).View());
    if (s < 0 || SectionGone[s]) return NoSection;
    SectionUsed[s] = true;
    return s;
}

qsizetype TIniFile::Find(qsizetype Section, QByteArrayView Key) const {
    const std::uint32_t s = std::uint32_t(Section);
    const auto chain = Added.constFind(s);
    const qsizetype size = Sections[s].Count + (chain == Added.constEnd() ? 0 : chain->Size);
    qsizetype found = -1;
    if (size <= kSearches || Searches[s]++ < kSearches) {
        ForEntries(Section, [&](qsizetype e) {
            if (!same(EntryName(e), Key)) return true;
            found = e;
            return false;
        });
        return found;
    }
    const auto of = [this](std::uint32_t e) { return EntryName(e); };
    auto table = KeyTables.find(s);
    if (table == KeyTables.end()) {
        // of keys that appear twice the first counts; the others are kept as they are
        table = KeyTables.insert(s, {});
        ForEntries(Section, [&](qsizetype e) {
            if (table->Find(EntryName(e), of) < 0) table->Insert(std::uint32_t(e), of);
            return true;
        });
    }
    return table->Find(Key, of);
}

std::optional<QString> TIniFile::Value(qsizetype Section, QStringView Key) const {
    if (Section == NoSection) return std::nullopt;
    const qsizetype e = Find(Section, TName(Key).View());
    if (e < 0) return std::nullopt;
    const auto v = EntryValue(e);
    if (!v) return std::nullopt;
    EntryUsed[e] = true;
    return decode(*v);
}

std::vector<qsizetype> TIniFile::NumberedSections(QStringView Prefix, qsizetype Limit) const {
    const TName prefix(Prefix);
    std::vector<qsizetype> found;
    for (std::size_t s = 0; s < Sections.size(); ++s)
        if (const qsizetype n = numbered(SectionName(qsizetype(s)), prefix.View());
            !SectionGone[s] && n >= 0 && n < Limit)
            found.push_back(n);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<qsizetype> TIniFile::NumberedKeys(qsizetype Section, QStringView Prefix, qsizetype Limit) const {
    std::vector<qsizetype> found;
    if (Section == NoSection) return found;
    const TName prefix(Prefix);
    ForEntries(Section, [&](qsizetype e) {
        if (const qsizetype n = numbered(EntryName(e), prefix.View()); n >= 0 && n < Limit && EntryValue(e))
            found.push_back(n);
        return true;
    });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::uint32_t TIniFile::Keep(QByteArrayView Name, QStringView Value) {
    // name "=" value and a line end, written in place: a value of megabytes is copied once
    const qsizetype size = Name.size() + (Value.isNull() ? 0 : 1 + utf8Size(Value) + 1);
    const qsizetype at = Extra.size();
    if (at + size >= qsizetype(kExtra)) throw std::length_error("INI text too long");
    if (Extra.capacity() < at + size) Extra.reserve(std::max(at + size, 2 * Extra.capacity()));
    Extra.resize(at + size);
    char* out = std::copy_n(Name.data(), Name.size(), Extra.data() + at);
    if (!Value.isNull()) {
        *out++ = '=';
        char* const value = out;
        out = putUtf8(out, Value);
        // a line break would end the line early, and a NUL is no text; in UTF-8
        // each is a byte of its own
        std::replace_if(
            value, out, [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
        *out++ = '\n';
    }
    Q_ASSERT(out == Extra.data() + Extra.size());
    return std::uint32_t(at) | kExtra;
}

namespace {

// A line break in a name would end the line early, and a NUL is no text.
QByteArray oneLine(QString Name) {
    return Name.replace(u'\r', u' ').replace(u'\n', u' ').replace(QChar(0), u' ').toUtf8();
}

} // namespace

qsizetype TIniFile::SetSection(const QString& Name) {
    const QByteArray name = oneLine(Name);
    qsizetype s = FindSection(QByteArrayView(name));
    if (s < 0) s = AddSection(Keep(name, QStringView()), std::uint32_t(name.size()));
    if (std::size_t(s) == SectionGone.size()) {
        SectionGone.push_back(false);
        SectionSet.push_back(false);
        SectionUsed.push_back(false);
    }
    SectionGone[s] = false;
    SectionSet[s] = true;
    return s;
}

void TIniFile::SetValue(const QString& Section, const QString& Key, const QString& Value) {
    SetValue(SetSection(Section), Key, Value);
}

void TIniFile::SetValue(qsizetype Section, const QString& Key, const QString& Value) {
    const QByteArray key = oneLine(Key);
    // an empty value is a value all the same
    const QStringView value = Value.isNull() ? QStringView(u"") : QStringView(Value);
    const qsizetype s = Section;

    const qsizetype found = Find(s, key);
    if (found >= 0) {
        // in place, in the file's spelling
        const QByteArray name = EntryName(found).toByteArray();
        const std::uint32_t at = Keep(name, value);
        Entries[found] = {at, at + std::uint32_t(name.size())};
        return;
    }
    const std::uint32_t at = Keep(key, value);
    const std::uint32_t e = std::uint32_t(Entries.size());
    Entries.push_back({at, at + std::uint32_t(key.size())});
    NextAdded.push_back(kNone);
    EntryGone.push_back(false);
    EntryUsed.push_back(false);
    auto chain = Added.find(std::uint32_t(s));
    if (chain == Added.end()) {
        Added.insert(std::uint32_t(s), {e, e, 1});
    } else {
        NextAdded[chain->Last - ParsedEntries] = e;
        chain->Last = e;
        ++chain->Size;
    }
    const auto table = KeyTables.find(std::uint32_t(s));
    if (table != KeyTables.end()) table->Insert(e, [this](std::uint32_t e) { return EntryName(e); });
}

void TIniFile::RemoveKey(QStringView Section, QStringView Key) {
    const qsizetype s = FindSection(TName(Section).View());
    if (s < 0) return;
    const TName key(Key);
    ForEntries(s, [&](qsizetype e) {
        if (same(EntryName(e), key.View())) EntryGone[e] = true;
        return true;
    });
    KeyTables.remove(std::uint32_t(s));
}

void TIniFile::RemoveNumberedSections(QStringView Prefix, qsizetype From) {
    const TName prefix(Prefix);
    for (std::size_t s = 0; s < Sections.size(); ++s) {
        if (SectionGone[s] || numbered(SectionName(qsizetype(s)), prefix.View()) < From) continue;
        ForEntries(qsizetype(s), [&](qsizetype e) {
            EntryGone[e] = true;
            return true;
        });
        SectionGone[s] = true;
        KeyTables.remove(std::uint32_t(s));
    }
}

void TIniFile::RemoveNumberedKeys(QStringView Section, QStringView Prefix, qsizetype From) {
    const qsizetype s = FindSection(TName(Section).View());
    if (s < 0) return;
    const TName prefix(Prefix);
    ForEntries(s, [&](qsizetype e) {
        if (numbered(EntryName(e), prefix.View()) >= From) EntryGone[e] = true;
        return true;
    });
    KeyTables.remove(std::uint32_t(s));
}

bool TIniFile::AllUsed() const {
    for (std::size_t s = 0; s < Sections.size(); ++s)
        if (!SectionGone[s] && !SectionUsed[s] && !SectionSet[s]) return false;
    for (std::size_t e = 0; e < Entries.size(); ++e)
        if (!EntryGone[e] && !EntryUsed[e] && !(Entries[e].Start & kExtra)) return false;
    return true;
}
