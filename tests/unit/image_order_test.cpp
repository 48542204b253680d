// Natural order of frame files: numbers compare by value wherever they stand in a name, and the
// order is total, so that sorting any list of names gives one answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "natural_order.h"

namespace {

TEST(NaturalOrder, NumbersCompareByValueAndTheOrderIsTotal)
{
    struct Case {
        const char* what;
        std::vector<std::string> given, sorted;
    } cases[] = {
        {"one number", {"run-10.png", "run-2.png", "run-1.png"}, {"run-1.png", "run-2.png", "run-10.png"}},
        {"a number in a folder's name too", {"b10/f2.png", "b9/f10.png", "b9/f9.png"}, {"b9/f9.png", "b9/f10.png", "b10/f2.png"}},
        {"leading zeros: equal values, the fewer zeros first", {"f007.png", "f7.png", "f07.png", "f6.png"},
         {"f6.png", "f7.png", "f07.png", "f007.png"}},
        {"a number longer than any integer", {"f100000000000000000000001.png", "f99999999999999999999999.png"},
         {"f99999999999999999999999.png", "f100000000000000000000001.png"}},
        {"after an equal number, byte by byte", {"walk-1-b.png", "walk-1.png", "walk-1-a.png"}, {"walk-1-a.png", "walk-1-b.png", "walk-1.png"}},
        {"digits against letters, byte by byte", {"fa.png", "f1.png", "F1.png"}, {"F1.png", "f1.png", "fa.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> names = c.given;
        std::sort(names.begin(), names.end(), natural_less);
        EXPECT_EQ(names, c.sorted);
        std::reverse(names.begin(), names.end());
        std::sort(names.begin(), names.end(), natural_less);
        EXPECT_EQ(names, c.sorted) << "the same from another order";
        for (const std::string& a : c.given)
            for (const std::string& b : c.given) EXPECT_FALSE(natural_less(a, b) && natural_less(b, a)) << a << " " << b;
    }
}

}  // namespace
