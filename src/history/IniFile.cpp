#include "IniFile.h"

#include <algorithm>

namespace {

// Blanks and control characters around a line, a name or a value do not count.
QStringView trim(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= u' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= u' ')
        --e;
    return s.sliced(b, e - b);
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

qsizetype TIniFile::TSection::Find(QStringView Key) const {
    const qsizetype n = qsizetype(Entries.size());
    if (n <= kSearches || Searches++ < kSearches) {
        for (qsizetype i = 0; i < n; ++i)
            if (same(Entries[i].Name, Key)) return i;
        return -1;
    }
    // of keys that appear twice the first counts; the others are kept as they are
    for (; Indexed < n; ++Indexed) {
        const TName name{Entries[Indexed].Name};
        if (!Index.contains(name)) Index.insert(name, Indexed);
    }
    return Index.value(TName{Key}, -1);
}

void TIniFile::Parse(const QByteArray& Bytes) {
    Sections.clear();
    SectionIndex.clear();
    Kept.clear();
    Lines = 0;

    QByteArrayView bytes(Bytes);
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    Text = QString::fromUtf8(bytes);
    const QStringView all(Text);

    TSection* current = nullptr;
    qsizetype pos = 0;
    const qsizetype n = all.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && all[end] != u'\n' && all[end] != u'\r')
            ++end;
        const QStringView line = trim(all.sliced(pos, end - pos));
        ++Lines;
        pos = end;
        if (pos < n) pos += (all[pos] == u'\r' && pos + 1 < n && all[pos + 1] == u'\n') ? 2 : 1;

        if (line.isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &Section(trim(line.sliced(1, line.size() - 2)));
            continue;
        }
        if (!current) continue; // text before the first section belongs to none
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            current->Entries.push_back({line, {}, false});
        else
            current->Entries.push_back({trim(line.first(eq)), trim(line.sliced(eq + 1)), true});
    }
}

QByteArray TIniFile::Serialize() const {
    QString text;
    for (const TSection& s : Sections) {
        text += u'[';
        text += s.Name;
        text += u"]\r\n";
        for (const TEntry& e : s.Entries) {
            text += e.Name;
            if (e.HasValue) {
                text += u'=';
                text += e.Value;
            }
            text += u"\r\n";
        }
        text += u"\r\n";
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

const TIniFile::TSection* TIniFile::FindSection(QStringView Name) const {
    const auto s = SectionIndex.constFind(TName{Name});
    return s == SectionIndex.constEnd() ? nullptr : &Sections[*s];
}

const QStringView* TIniFile::Value(const TSection* Section, QStringView Key) {
    if (!Section) return nullptr;
    const qsizetype k = Section->Find(Key);
    if (k < 0) return nullptr;
    const TEntry& e = Section->Entries[k];
    return e.HasValue ? &e.Value : nullptr;
}

qsizetype TIniFile::NumberedSections(QStringView Prefix, qsizetype Limit) const {
    qsizetype end = 0;
    for (const TSection& s : Sections)
        if (const qsizetype n = numbered(s.Name, Prefix); n < Limit) end = std::max(end, n + 1);
    return end;
}

qsizetype TIniFile::NumberedKeys(const TSection* Section, QStringView Prefix, qsizetype Limit) {
    qsizetype end = 0;
    if (Section)
        for (const TEntry& e : Section->Entries)
            if (const qsizetype n = numbered(e.Name, Prefix); n < Limit) end = std::max(end, n + 1);
    return end;
}

void TIniFile::SetValue(const QString& Section, const QString& Key, const QString& Value) {
    QString value = Value;
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    const TSection* found = FindSection(Section);
    TSection& section = found ? const_cast<TSection&>(*found) : this->Section(Keep(Section));
    const qsizetype k = section.Find(Key);
    if (k < 0) {
        section.Entries.push_back({Keep(Key), Keep(value), true});
        return;
    }
    TEntry& e = section.Entries[k];
    e.Value = Keep(value);
    e.HasValue = true;
}

TIniFile::TSection& TIniFile::Section(QStringView Name) {
    // a section that appears twice is read as one, in the place of the first
    const auto it = SectionIndex.constFind(TName{Name});
    if (it != SectionIndex.constEnd()) return Sections[*it];
    SectionIndex.insert(TName{Name}, qsizetype(Sections.size()));
    Sections.push_back({Name, {}, {}, 0});
    return Sections.back();
}

QStringView TIniFile::Keep(const QString& Text) {
    Kept.push_back(Text);
    return Kept.back();
}
