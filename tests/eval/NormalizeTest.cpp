#include "Expression.h"
#include "KeyText.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::string Normalized(const std::string& Text) {
    const TKeyList keys = Keys(Text);
    TExpression e;
    e.SetKeyList(keys);
    return KeysText(e.NormalizedKeys());
}

struct Case {
    const char* keys;
    const char* normalized; // without the closing END
};

void ExpectNormalized(const Case& c) {
    EXPECT_EQ(Normalized(c.keys), KeysText(Keys(c.normalized) << ekEnd)) << "keys: " << c.keys;
}

} // namespace

TEST(Normalize, SignsBecomeUnaryWhereNoOperandPrecedes) {
    const Case cases[] = {
        {"2 - 3", "2 - 3"},
        {"- 3", "(-) 3"},
        {"2 * - 3", "2 * (-) 3"},
        {"2 ^ - 3", "2 ^ (-) 3"},
        {"sin - 30", "sin (-) 30"},
        {"( - 3 )", "( (-) 3 )"},
        {"2 , - 3", "2 , (-) 3"},
        {"Pol - 1 , - 2 )", "Pol (-) 1 , (-) 2 )"}, // Pol( carries its parenthesis
        {"Ans - 2", "Ans - 2"},
        {"2 ! - 1", "2 ! - 1"},
        {"+ 3", "3"},
        {"2 * + 3", "2 * 3"},
        {"+ ( 2 )", "( 2 )"},
        {"+ π", "π"},
        {"2 +", "2 +"},
        // a plus that nothing usable follows stays a sign
        {"( + )", "( (+) )"},
    };
    for (const Case& c : cases)
        ExpectNormalized(c);
}

TEST(Normalize, MinusBeforeAnOperandBecomesATightProductWithMinusOne) {
    const Case cases[] = {
        {"- ( 2 )", "( (-) 1 ) MP2 ( 2 )"},         {"- π", "( (-) 1 ) MP2 π"},
        {"2 ^ - π", "2 ^ ( (-) 1 ) MP2 π"},         {"2 * - - 3", "2 * ( (-) 1 ) MP2 (-) 3"},
        {"- sin 30", "( (-) 1 ) MP2 sin 30"},       {"- var ( 0 )", "( (-) 1 ) MP2 var ( 0 )"},
        {"- - π", "( (-) 1 ) MP2 ( (-) 1 ) MP2 π"}, {"-", "(-)"},
    };
    for (const Case& c : cases)
        ExpectNormalized(c);
}

TEST(Normalize, ImpliedProductsAreInsertedAfterClosersAndNamedValues) {
    const Case cases[] = {
        {"( 2 ) 3", "( 2 ) MP1 3"},
        {"( 2 ) ( 3 )", "( 2 ) MP1 ( 3 )"},
        {"π 2", "π MP1 2"},
        {"Ans ( 2 )", "Ans MP1 ( 2 )"},
        {"π π", "π MP1 π"},
        {"var ( 0 ) 2", "var ( 0 ) MP1 2"},
        {"3 ! 2", "3 ! MP1 2"},
        {"2 ² 3", "2 ² MP1 3"},
        {"2 ³ .5", "2 ³ MP1 .5"},
        {"2 ⁻¹ 3", "2 ⁻¹ MP1 3"},
        // operators, powers, closers and commas take no inserted product
        {"( 2 ) - 3", "( 2 ) - 3"},
        {"( 2 ) ²", "( 2 ) ²"},
        {"( 2 ) !", "( 2 ) !"},
        {"( 2 ) , 3", "( 2 ) , 3"},
        {"( 2 ) )", "( 2 ) )"},
        {"π ^ 2", "π ^ 2"},
        // the parser multiplies these by itself
        {"2 π", "2 π"},
        {"2 ( 3 )", "2 ( 3 )"},
        {"3 ! ( 2 )", "3 ! ( 2 )"},
    };
    for (const Case& c : cases)
        ExpectNormalized(c);
}

TEST(Normalize, ExponentSignsStayWithTheirNumber) {
    const Case cases[] = {
        {"1 E + 5", "1 E (+) 5"},
        {"1 E - 5", "1 E (-) 5"},
        {"1 E - - 5", "1 E (-) - 5"},
        {"1 E + 5 + 2", "1 E (+) 5 + 2"},
        {"2 * 1 E - 5", "2 * 1 E (-) 5"},
        // after a plain E (no digit follows) the sign is an operator
        {"1 E + π", "1 E + π"},
    };
    for (const Case& c : cases)
        ExpectNormalized(c);
}

TEST(Normalize, EmptyListAndTheCallersListStaysUntouched) {
    ExpectNormalized({"", ""});

    const TKeyList keys = Keys("- ( 2 ) 3");
    const TKeyList copy = keys;
    TExpression e;
    e.SetKeyList(keys);
    EXPECT_EQ(e.KeyList(), &keys);
    EXPECT_EQ(keys, copy);

    // a second assignment starts afresh
    const TKeyList other = Keys("2");
    e.SetKeyList(other);
    EXPECT_EQ(KeysText(e.NormalizedKeys()), "2 END");
}

TEST(Normalize, EveryKeyKnowsTheCallersKeyItStandsFor) {
    struct Origins {
        const char* keys;
        std::vector<int> origins; // for each normalised key, END included
    };
    const Origins cases[] = {
        {"", {0}},
        {"2 - 3", {0, 1, 2, 3}},
        {"+ 3", {1, 2}},                          // a dropped sign leaves no key
        {"2 * - π", {0, 1, 2, 2, 2, 2, 2, 3, 4}}, // ( (-) 1 ) MP2 all stand for the minus
        {"( 2 ) 3 !", {0, 1, 2, 2, 3, 4, 5}},     // an implied product stands for the key before it
        {"1 E + 5 + 2", {0, 1, 2, 3, 4, 5, 6}},   // the exponent's plus comes back in its place
        {"- - 2", {0, 0, 0, 0, 0, 1, 2, 3}},
    };
    for (const Origins& c : cases) {
        const TKeyList keys = Keys(c.keys);
        TExpression e;
        e.SetKeyList(keys);
        const QList<int> origins = TExpression::KeyOrigins(keys);
        EXPECT_EQ(std::vector<int>(origins.begin(), origins.end()), c.origins) << c.keys;
        // the same working copy as an evaluation makes
        EXPECT_EQ(origins.size(), e.NormalizedKeys().size()) << c.keys;
    }
}
