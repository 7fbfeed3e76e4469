#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

// An INI text held in memory: sections of key=value lines. Names compare
// without letter case; keys keep their place and their spelling when changed,
// and everything not changed is written back as it was read, except comment
// and blank lines.
//
// The text is kept as it was read, in UTF-8, and shares the caller's bytes; a
// line costs a pair of offsets into it, a section four, and what is set goes
// into a second text of its own. So a file of millions of short lines or
// sections costs no allocation per line, and memory stays within a few times
// the file's size whatever its lines are.
class TIniFile {
public:
    // Reads UTF-8 text, with or without a byte-order mark, lines ending in CR LF,
    // LF or CR. Bytes that are not UTF-8 read as replacement characters, NUL
    // bytes as spaces, and are written back as such. Returns
    // false when the bytes are not such a text (bytes that are not UTF-8, a NUL
    // byte, lines before the first section, or more than the offsets can hold,
    // which reads as empty): written back, some of them would be lost.
    bool Parse(const QByteArray& Bytes);
    // UTF-8 with a byte-order mark, CR LF, an empty line after each section.
    QByteArray Serialize() const;
    // The size of what Serialize returns, counted without building it.
    qsizetype SerializedSize() const;
    // The bytes a name or value takes in the serialized text.
    static qsizetype Utf8Size(QStringView Text);

    // The number of lines of the parsed text, blank and comment lines included.
    qsizetype LineCount() const { return Lines; }

    static constexpr qsizetype NoSection = -1;
    // The section's number for the lookups below, or NoSection.
    qsizetype FindSection(QStringView Name) const;
    // The value of a key, or nothing when the section or key is missing or the
    // key line has no "=".
    std::optional<QString> Value(qsizetype Section, QStringView Key) const;
    std::optional<QString> Value(QStringView Section, QStringView Key) const {
        return Value(FindSection(Section), Key);
    }
    // The numbers N below Limit, in ascending order, for which a section named
    // Prefix followed by N in plain decimal (no sign, no leading zero) exists.
    std::vector<qsizetype> NumberedSections(QStringView Prefix, qsizetype Limit) const;
    // The same for the keys of a section that have a value.
    std::vector<qsizetype> NumberedKeys(qsizetype Section, QStringView Prefix, qsizetype Limit) const;

    // Changes the key in place, or adds it to the end of its section, or adds
    // the section to the end of the text. Line breaks and NUL characters in the
    // value become spaces, since a value is one line of text.
    void SetValue(const QString& Section, const QString& Key, const QString& Value);
    // The section's number for SetValue, the section added as SetValue adds it.
    qsizetype SetSection(const QString& Name);
    void SetValue(qsizetype Section, const QString& Key, const QString& Value);
    // Drops every key of that name from the section.
    void RemoveKey(QStringView Section, QStringView Key);
    // Drops the sections named Prefix followed by a number from From on.
    void RemoveNumberedSections(QStringView Prefix, qsizetype From);
    // Drops the keys of a section named Prefix followed by a number from From on.
    void RemoveNumberedKeys(QStringView Section, QStringView Prefix, qsizetype From);

    // True when every section and key of the text has been found by a lookup
    // or set since it was parsed: then the text holds nothing but what its
    // reader asked for, and a text built from those answers alone loses nothing.
    bool AllUsed() const;

private:
    // One key line, from its first character on; offsets with the top bit set
    // lie in Extra, the others in Text. Split is where the name ends: at the
    // line's first "=", or at its end when it has none. A parsed line's name and
    // value are trimmed; a line that was set holds exactly name "=" value.
    struct TEntry {
        std::uint32_t Start;
        std::uint32_t Split;
    };
    // A section's name, and its parsed entries, which lie together; the ones
    // added later are chained in Added.
    struct TSection {
        std::uint32_t Name;
        std::uint32_t NameSize;
        std::uint32_t First;
        std::uint32_t Count;
    };
    struct TChain {
        std::uint32_t First;
        std::uint32_t Last;
        std::uint32_t Size;
    };
    // An open-addressed set of section or entry numbers, looked up by name.
    class TNameTable {
    public:
        template <typename NameOf> qsizetype Find(QByteArrayView Name, NameOf Of) const;
        template <typename NameOf> void Insert(std::uint32_t Item, NameOf Of);
        // Makes room for Count items at once; only while the table is empty.
        void Reserve(qsizetype Count);

    private:
        template <typename NameOf> void Grow(NameOf Of);
        std::vector<std::uint32_t> Slots;
        qsizetype Used = 0;
    };

    QByteArrayView Buffer(std::uint32_t Offset) const;
    std::uint32_t LineEnd(std::uint32_t Offset) const;
    QByteArrayView Span(std::uint32_t From, std::uint32_t To) const;
    QByteArrayView SectionName(qsizetype Section) const;
    QByteArrayView EntryName(qsizetype Entry) const;
    std::optional<QByteArrayView> EntryValue(qsizetype Entry) const;
    qsizetype FindSection(QByteArrayView Name) const;
    // Finds or adds the section of that name, which lies in Text or Extra.
    qsizetype AddSection(std::uint32_t Name, std::uint32_t NameSize);
    qsizetype Find(qsizetype Section, QByteArrayView Key) const;
    // Every live entry of a section, in the order they are written.
    template <typename Visit> void ForEntries(qsizetype Section, Visit Do) const;
    // Calls Emit with each piece of the serialized text, without the mark.
    template <typename Put> void Walk(Put Emit) const;
    // Appends a name, or with a value a line name "=" value, to Extra.
    std::uint32_t Keep(QByteArrayView Name, QStringView Value);

    QByteArray Text;  // the parsed text, never changed after Parse
    QByteArray Extra; // what was set, as lines ending in LF
    std::vector<TEntry> Entries;
    std::uint32_t ParsedEntries = 0;
    std::vector<std::uint32_t> NextAdded; // per entry from ParsedEntries on
    std::vector<TSection> Sections;
    QHash<std::uint32_t, TChain> Added;
    TNameTable SectionTable;
    std::vector<bool> SectionGone, SectionSet, EntryGone;
    // what the lookups found, so that AllUsed can tell
    mutable std::vector<bool> SectionUsed, EntryUsed;
    // for a long section that is searched often, an index of its keys
    mutable QHash<std::uint32_t, TNameTable> KeyTables;
    mutable QHash<std::uint32_t, int> Searches;
    qsizetype Lines = 0;
};
