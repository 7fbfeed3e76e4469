#include "VariableDictionary.h"

#include <gtest/gtest.h>

TEST(VariableDictionary, NamesAreFoldedAndNumberedByFirstUse) {
    TVariableDictionary d;
    d.AddOrSetValue("rate", 2);
    d.AddOrSetValue(QString::fromUtf16(u"\uFF32\uFF21\uFF34\uFF25"), 3);
    EXPECT_EQ(d.Count(), 1);
    EXPECT_EQ(d.GetNameItems(0), "RATE");
    EXPECT_EQ(d.GetValueItems(0), 3);
    for (const char* n : {"rate", "Rate", "RATE"})
        EXPECT_TRUE(d.ContainsKey(n)) << n;
    EXPECT_TRUE(d.ContainsKey(QString::fromUtf16(u"\uFF32\uFF21\uFF34\uFF25")));

    d.AddOrSetValue("A", 1);
    d.AddOrSetValue("B", 2);
    d.AddOrSetValue("b", 5);
    EXPECT_EQ(d.GetNumberItems("A"), 1);
    EXPECT_EQ(d.GetNumberItems("B"), 2);
    EXPECT_EQ(d.GetValueItems(2), 5);
    EXPECT_EQ(d.Count(), 3);
}

TEST(VariableDictionary, ClearRestartsNumbering) {
    TVariableDictionary d;
    d.AddOrSetValue("X", 1);
    d.AddOrSetValue("", 4); // any text is a name here; callers decide
    EXPECT_TRUE(d.ContainsKey(""));
    d.Clear();
    EXPECT_EQ(d.Count(), 0);
    EXPECT_FALSE(d.ContainsKey("X"));
    d.AddOrSetValue("Y", 2);
    EXPECT_EQ(d.GetNumberItems("Y"), 0);
}

TEST(VariableDictionary, MissingItemsRaise) {
    TVariableDictionary d;
    EXPECT_THROW(d.GetNameItems(0), EListError);
    EXPECT_THROW(d.GetValueItems(3), EListError);
    EXPECT_THROW(d.GetNumberItems("NOPE"), EListError);
}
