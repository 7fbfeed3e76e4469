#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <deque>

// An INI text held in memory: sections of key=value lines. Names compare
// without letter case; keys keep their place and their spelling when changed,
// and everything not changed is written back as it was read, except comment
// and blank lines.
//
// Names and values are views into the decoded text or into strings the object
// keeps for what was set, so a file of millions of short lines costs no
// allocation per line.
class TIniFile {
public:
    TIniFile() = default;
    // a copy would see the other's text; a move keeps the text where it is
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;
    TIniFile(TIniFile&&) = default;
    TIniFile& operator=(TIniFile&&) = default;

    // Reads UTF-8 text, with or without a byte-order mark, lines ending in CR LF,
    // LF or CR. Bytes that are not UTF-8 read as replacement characters.
    void Parse(const QByteArray& Bytes);
    // UTF-8 with a byte-order mark, CR LF, an empty line after each section.
    QByteArray Serialize() const;

    // The number of lines of the parsed text, blank and comment lines included.
    qsizetype LineCount() const { return Lines; }

    struct TSection;
    // nullptr when the text has no such section.
    const TSection* FindSection(QStringView Name) const;
    // The value of a key, or nullptr when the section or key is missing or the
    // key line has no "=". The view lives as long as the object is not changed.
    static const QStringView* Value(const TSection* Section, QStringView Key);
    const QStringView* Value(QStringView Section, QStringView Key) const {
        return Value(FindSection(Section), Key);
    }
    // One past the highest N below Limit for which a section named Prefix
    // followed by N in plain decimal exists; 0 when there is none.
    qsizetype NumberedSections(QStringView Prefix, qsizetype Limit) const;
    // The same for the keys of a section.
    static qsizetype NumberedKeys(const TSection* Section, QStringView Prefix, qsizetype Limit);
    // Changes the key in place, or adds it to the end of its section, or adds
    // the section to the end of the text. Line breaks in the value become spaces,
    // since a value is one line.
    void SetValue(const QString& Section, const QString& Key, const QString& Value);

    // A section or key name as a hash key that ignores letter case.
    struct TName {
        QStringView Text;
        friend bool operator==(TName a, TName b) { return a.Text.compare(b.Text, Qt::CaseInsensitive) == 0; }
    };
    struct TEntry {
        QStringView Name;
        QStringView Value;
        bool HasValue = false;
    };
    struct TSection {
        QStringView Name;
        std::deque<TEntry> Entries; // grows without moving what it holds

        // the first entry of each name, built for a long section only once it
        // has been searched several times
        mutable QHash<TName, qsizetype> Index;
        mutable qsizetype Indexed = 0;
        mutable int Searches = 0;

        qsizetype Find(QStringView Key) const;
    };

private:
    // Finds or adds a section; a new one keeps the view, which must live on.
    TSection& Section(QStringView Name);
    QStringView Keep(const QString& Text);

    QString Text;
    std::deque<QString> Kept;      // what was set; a deque never moves its strings
    std::deque<TSection> Sections; // a new section moves none of the others
    QHash<TName, qsizetype> SectionIndex;
    qsizetype Lines = 0;
};

size_t qHash(TIniFile::TName Name, size_t Seed = 0);
