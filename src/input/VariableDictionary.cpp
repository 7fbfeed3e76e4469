#include "VariableDictionary.h"

#include "MojiConvert.h"

void TVariableDictionary::Clear() {
    NameDictionary.clear();
    NumberDictionary.clear();
    ValueDictionary.clear();
    Number = 0;
}

void TVariableDictionary::AddOrSetValue(const QString& Name, double Value) {
    const QString name = ConvertHalfWidthUpper(Name);
    auto it = NumberDictionary.constFind(name);
    if (it != NumberDictionary.constEnd()) {
        ValueDictionary[*it] = Value;
        return;
    }
    NameDictionary.insert(Number, name);
    NumberDictionary.insert(name, Number);
    ValueDictionary.insert(Number, Value);
    ++Number;
}

bool TVariableDictionary::ContainsKey(const QString& Name) const {
    return NumberDictionary.contains(ConvertHalfWidthUpper(Name));
}

int TVariableDictionary::GetNumberItems(const QString& Name) const {
    auto it = NumberDictionary.constFind(ConvertHalfWidthUpper(Name));
    if (it == NumberDictionary.constEnd()) throw EListError("Item not found");
    return *it;
}

bool TVariableDictionary::FindNumber(const QString& Name, int& Number) const {
    auto it = NumberDictionary.constFind(ConvertHalfWidthUpper(Name));
    if (it == NumberDictionary.constEnd()) return false;
    Number = *it;
    return true;
}

QString TVariableDictionary::GetNameItems(int Number) const {
    auto it = NameDictionary.constFind(Number);
    if (it == NameDictionary.constEnd()) throw EListError("Item not found");
    return *it;
}

double TVariableDictionary::GetValueItems(int Number) const {
    auto it = ValueDictionary.constFind(Number);
    if (it == ValueDictionary.constEnd()) throw EListError("Item not found");
    return *it;
}

TVariableDictionary TVariableDictionary::Snapshot() const {
    TVariableDictionary copy(*this);
    copy.NameDictionary.detach();
    copy.NumberDictionary.detach();
    copy.ValueDictionary.detach();
    return copy;
}
