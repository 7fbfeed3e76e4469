#pragma once

#include <QHash>
#include <QString>
#include <stdexcept>

// Raised when a name or number is asked for that the store does not hold.
class EListError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// The user's named variables. Names are kept half-width and upper case, so a
// variable is found however its name is typed; numbers are handed out from 0 in
// the order names are first added and are never reused until Clear.
class TVariableDictionary {
public:
    void Clear();
    void AddOrSetValue(const QString& Name, double Value);
    bool ContainsKey(const QString& Name) const;
    int GetNumberItems(const QString& Name) const;
    // ContainsKey and GetNumberItems in one lookup: false, and Number left
    // alone, when the store holds no such name.
    bool FindNumber(const QString& Name, int& Number) const;
    QString GetNameItems(int Number) const;
    double GetValueItems(int Number) const;
    int Count() const { return Number; }

    // A copy that shares no data with this store, for another thread to read
    // while this one goes on changing the original.
    TVariableDictionary Snapshot() const;

private:
    QHash<int, QString> NameDictionary;
    QHash<QString, int> NumberDictionary;
    QHash<int, double> ValueDictionary;
    int Number = 0;
};
