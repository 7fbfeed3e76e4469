#include "IniFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Offsets with this bit lie in the text of what was set; each text stays below it.
constexpr std::uint32_t kExtra = 0x80000000u;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// Blanks and control characters around a line, a name or a value do not count.
bool blank(QChar c) {
    return c.unicode() <= u' ';
}

QStringView trimLeft(QStringView s) {
    qsizetype b = 0;
    while (b < s.size() && blank(s[b]))
        ++b;
    return s.sliced(b);
}

QStringView trimRight(QStringView s) {
    qsizetype e = s.size();
    while (e > 0 && blank(s[e - 1]))
        --e;
    return s.first(e);
}

bool same(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// N of a name Prefix followed by N in plain decimal (no sign, no leading zero),
// or -1.
qsizetype numbered(QStringView Name, QStringView Prefix) {
    if (!Name.startsWith(Prefix, Qt::CaseInsensitive)) return -1;
    const QStringView digits = Name.sliced(Prefix.size());
    if (digits.isEmpty() || digits.size() > 18 || (digits.size() > 1 && digits[0] == u'0')) return -1;
    qsizetype n = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

// A section is searched key by key until it has been searched this many times,
// or for good when it has no more keys than this.
constexpr int kSearches = 8;

// A name table is kept at most this many tenths full.
constexpr std::size_t kLoad = 7;

// The bits of a name's hash spread over the low ones, which pick a slot.
size_t mix(size_t h) {
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

} // namespace

// Hashes the case-folded code points, as the case-insensitive comparison sees
// them, without building a folded copy of the name.
size_t qHash(TIniFile::TName Name, size_t Seed) {
    size_t h = Seed ^ 0x9E3779B97F4A7C15ull;
    const QStringView s = Name.Text;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(s[i], s[i + 1]), ++i;
        const char32_t folded = c < 0x80 ? (c >= U'A' && c <= U'Z' ? c + 0x20 : c) : QChar::toCaseFolded(c);
        h = (h ^ folded) * 0x100000001B3ull;
    }
    return h;
}

template <typename NameOf> qsizetype TIniFile::TNameTable::Find(QStringView Name, NameOf Of) const {
    if (Slots.empty()) return -1;
    const size_t mask = Slots.size() - 1;
    for (size_t i = mix(qHash(TName{Name})) & mask;; i = (i + 1) & mask) {
        const std::uint32_t item = Slots[i];
        if (item == kNone) return -1;
        if (same(Of(item), Name)) return item;
    }
}

void TIniFile::TNameTable::Reserve(qsizetype Count) {
    std::size_t size = 16;
    while (size * kLoad < std::size_t(Count) * 10)
        size *= 2;
    if (size > Slots.size()) {
        Q_ASSERT(Used == 0);
        Slots.assign(size, kNone);
    }
}

template <typename NameOf> void TIniFile::TNameTable::Insert(std::uint32_t Item, NameOf Of) {
    if (std::size_t(Used + 1) * 10 > Slots.size() * kLoad) Grow(Of);
    const size_t mask = Slots.size() - 1;
    size_t i = mix(qHash(TName{Of(Item)})) & mask;
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
        size_t i = mix(qHash(TName{Of(item)})) & mask;
        while (Slots[i] != kNone)
            i = (i + 1) & mask;
        Slots[i] = item;
    }
}

QStringView TIniFile::Span(std::uint32_t From, std::uint32_t To) const {
    const QString& in = (From & kExtra) ? Extra : Text;
    const qsizetype from = From & ~kExtra;
    return QStringView(in).sliced(from, (To & ~kExtra) - from);
}

QStringView TIniFile::SectionName(qsizetype Section) const {
    const TSection& s = Sections[Section];
    return Span(s.Name, s.Name + s.NameSize);
}

QStringView TIniFile::EntryName(qsizetype Entry) const {
    const TEntry& e = Entries[Entry];
    const QStringView name = Span(e.Start, e.Split);
    return EntrySet[Entry] ? name : trimRight(name);
}

std::optional<QStringView> TIniFile::EntryValue(qsizetype Entry) const {
    const TEntry& e = Entries[Entry];
    if (e.Split == e.End) return std::nullopt;
    const QStringView value = Span(e.Split + 1, e.End);
    return EntrySet[Entry] ? value : trimLeft(value);
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

bool TIniFile::Parse(QByteArrayView Bytes) {
    *this = TIniFile();
    if (Bytes.startsWith("\xEF\xBB\xBF")) Bytes = Bytes.sliced(3);
    // each character is at most one of the text's units, and an offset holds fewer
    if (Bytes.size() >= qsizetype(kExtra)) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    Text = utf8(Bytes);
    bool plain = !utf8.hasError() && std::memchr(Bytes.data(), 0, size_t(Bytes.size())) == nullptr;

    const QStringView all(Text);
    const qsizetype n = all.size();
    // Calls Do(b, e) with each line's trimmed bounds, blank lines included.
    const auto forLines = [&](auto Do) {
        qsizetype pos = 0;
        while (pos < n) {
            qsizetype end = pos;
            while (end < n && all[end] != u'\n' && all[end] != u'\r')
                ++end;
            qsizetype b = pos, e = end;
            while (b < e && blank(all[b]))
                ++b;
            while (e > b && blank(all[e - 1]))
                --e;
            pos = end;
            if (pos < n) pos += (all[pos] == u'\r' && pos + 1 < n && all[pos + 1] == u'\n') ? 2 : 1;
            Do(b, e);
        }
    };
    const auto header = [&](qsizetype b, qsizetype e) {
        return all[b] == u'[' && all[e - 1] == u']' && e - b >= 2;
    };

    // counted first, so that the arrays are allocated once at their size
    qsizetype entries = 0, sections = 0;
    forLines([&](qsizetype b, qsizetype e) {
        if (b == e || all[b] == u';') return;
        ++(header(b, e) ? sections : entries);
    });
    Entries.reserve(entries);
    Sections.reserve(sections);
    SectionTable.Reserve(sections);

    qsizetype current = NoSection;
    // once a section turns up a second time, each entry notes its section, and
    // the entries are brought together by section at the end
    bool split = false;
    std::vector<std::uint32_t> owners;
    forLines([&](qsizetype b, qsizetype e) {
        ++Lines;
        if (b == e || all[b] == u';') return;
        if (header(b, e)) {
            qsizetype nb = b + 1, ne = e - 1;
            while (nb < ne && blank(all[nb]))
                ++nb;
            while (ne > nb && blank(all[ne - 1]))
                --ne;
            const qsizetype before = qsizetype(Sections.size());
            current = AddSection(std::uint32_t(nb), std::uint32_t(ne - nb));
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
        const qsizetype eq = all.sliced(b, e - b).indexOf(u'=');
        Entries.push_back({std::uint32_t(b), std::uint32_t(eq < 0 ? e : b + eq), std::uint32_t(e)});
        if (split)
            owners.push_back(std::uint32_t(current));
        else
            ++Sections[current].Count;
    });
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
    EntrySet.assign(Entries.size(), false);
    EntryUsed.assign(Entries.size(), false);
    SectionGone.assign(Sections.size(), false);
    SectionSet.assign(Sections.size(), false);
    SectionUsed.assign(Sections.size(), false);
    return plain;
}

template <typename Put> void TIniFile::Walk(Put Emit) const {
    for (std::size_t s = 0; s < Sections.size(); ++s) {
        if (SectionGone[s]) continue;
        Emit(u"[");
        Emit(SectionName(qsizetype(s)));
        Emit(u"]\r\n");
        ForEntries(qsizetype(s), [&](qsizetype e) {
            Emit(EntryName(e));
            if (const auto v = EntryValue(e)) {
                Emit(u"=");
                Emit(*v);
            }
            Emit(u"\r\n");
            return true;
        });
        Emit(u"\r\n");
    }
}

qsizetype TIniFile::Utf8Size(QStringView Text) {
    return utf8Size(Text);
}

qsizetype TIniFile::SerializedSize() const {
    qsizetype n = 3;
    Walk([&](QStringView s) { n += utf8Size(s); });
    return n;
}

QByteArray TIniFile::Serialize() const {
    QByteArray bytes(SerializedSize(), Qt::Uninitialized);
    char* out = bytes.data();
    out = std::copy_n("\xEF\xBB\xBF", 3, out);
    Walk([&](QStringView s) { out = putUtf8(out, s); });
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

qsizetype TIniFile::FindSection(QStringView Name) const {
    const qsizetype s = SectionTable.Find(Name, [this](std::uint32_t s) { return SectionName(s); });
    if (s < 0 || SectionGone[s]) return NoSection;
    SectionUsed[s] = true;
    return s;
}

qsizetype TIniFile::Find(qsizetype Section, QStringView Key) const {
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

std::optional<QStringView> TIniFile::Value(qsizetype Section, QStringView Key) const {
    if (Section == NoSection) return std::nullopt;
    const qsizetype e = Find(Section, Key);
    if (e < 0) return std::nullopt;
    const auto v = EntryValue(e);
    if (v) EntryUsed[e] = true;
    return v;
}

std::vector<qsizetype> TIniFile::NumberedSections(QStringView Prefix, qsizetype Limit) const {
    std::vector<qsizetype> found;
    for (std::size_t s = 0; s < Sections.size(); ++s)
        if (const qsizetype n = numbered(SectionName(qsizetype(s)), Prefix);
            !SectionGone[s] && n >= 0 && n < Limit)
            found.push_back(n);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<qsizetype> TIniFile::NumberedKeys(qsizetype Section, QStringView Prefix, qsizetype Limit) const {
    std::vector<qsizetype> found;
    if (Section == NoSection) return found;
    ForEntries(Section, [&](qsizetype e) {
        if (const qsizetype n = numbered(EntryName(e), Prefix); n >= 0 && n < Limit && EntryValue(e))
            found.push_back(n);
        return true;
    });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::uint32_t TIniFile::Keep(QStringView Text) {
    if (Extra.size() + Text.size() >= qsizetype(kExtra)) throw std::length_error("INI text too long");
    const std::uint32_t at = std::uint32_t(Extra.size()) | kExtra;
    Extra += Text;
    return at;
}

void TIniFile::SetValue(const QString& Section, const QString& Key, const QString& Value) {
    QString line = Key;
    const qsizetype split = line.size();
    line += u'=';
    line += Value;
    line.replace(u'\r', u' ').replace(u'\n', u' ');

    qsizetype s = SectionTable.Find(Section, [this](std::uint32_t s) { return SectionName(s); });
    if (s < 0) s = AddSection(Keep(Section), std::uint32_t(Section.size()));
    if (std::size_t(s) == SectionGone.size()) {
        SectionGone.push_back(false);
        SectionSet.push_back(false);
        SectionUsed.push_back(false);
    }
    SectionGone[s] = false;
    SectionSet[s] = true;

    const qsizetype found = Find(s, Key);
    if (found >= 0) {
        // in place, in the file's spelling
        line.replace(0, split, EntryName(found).toString());
        const std::uint32_t at = Keep(line);
        const std::uint32_t name = std::uint32_t(EntryName(found).size());
        Entries[found] = {at, at + name, at + std::uint32_t(line.size())};
        EntrySet[found] = true;
        return;
    }
    const std::uint32_t at = Keep(line);
    const std::uint32_t e = std::uint32_t(Entries.size());
    Entries.push_back({at, at + std::uint32_t(split), at + std::uint32_t(line.size())});
    NextAdded.push_back(kNone);
    EntryGone.push_back(false);
    EntrySet.push_back(true);
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
    const auto of = [this](std::uint32_t e) { return EntryName(e); };
    if (table != KeyTables.end()) table->Insert(e, of);
}

void TIniFile::RemoveKey(QStringView Section, QStringView Key) {
    const qsizetype s = SectionTable.Find(Section, [this](std::uint32_t s) { return SectionName(s); });
    if (s < 0) return;
    ForEntries(s, [&](qsizetype e) {
        if (same(EntryName(e), Key)) EntryGone[e] = true;
        return true;
    });
    KeyTables.remove(std::uint32_t(s));
}

void TIniFile::RemoveNumberedSections(QStringView Prefix, qsizetype From) {
    for (std::size_t s = 0; s < Sections.size(); ++s) {
        if (SectionGone[s] || numbered(SectionName(qsizetype(s)), Prefix) < From) continue;
        ForEntries(qsizetype(s), [&](qsizetype e) {
            EntryGone[e] = true;
            return true;
        });
        SectionGone[s] = true;
        KeyTables.remove(std::uint32_t(s));
    }
}

void TIniFile::RemoveNumberedKeys(QStringView Section, QStringView Prefix, qsizetype From) {
    const qsizetype s = SectionTable.Find(Section, [this](std::uint32_t s) { return SectionName(s); });
    if (s < 0) return;
    ForEntries(s, [&](qsizetype e) {
        if (numbered(EntryName(e), Prefix) >= From) EntryGone[e] = true;
        return true;
    });
    KeyTables.remove(std::uint32_t(s));
}

bool TIniFile::AllUsed() const {
    for (std::size_t s = 0; s < Sections.size(); ++s)
        if (!SectionGone[s] && !SectionUsed[s] && !SectionSet[s]) return false;
    for (std::size_t e = 0; e < Entries.size(); ++e)
        if (!EntryGone[e] && !EntryUsed[e] && !EntrySet[e]) return false;
    return true;
}
