// Natural order of names (see natural_order.h).
#include "natural_order.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Compares the digit runs starting at a[i] and b[j] by value, moving i and j past them: negative,
// 0 or positive. An equal value leaves *zeros with the difference in leading zeros.
int compare_numbers(const std::string& a, size_t& i, const std::string& b, size_t& j, int* zeros)
{
    size_t za = 0, zb = 0;
    while (i < a.size() && a[i] == '0' && i + 1 < a.size() && is_digit(a[i + 1])) ++i, ++za;
    while (j < b.size() && b[j] == '0' && j + 1 < b.size() && is_digit(b[j + 1])) ++j, ++zb;
    const size_t start_a = i, start_b = j;
    while (i < a.size() && is_digit(a[i])) ++i;
    while (j < b.size() && is_digit(b[j])) ++j;
    const size_t length_a = i - start_a, length_b = j - start_b;
    if (length_a != length_b) return length_a < length_b ? -1 : 1;  // fewer digits, smaller number
    const int digits = a.compare(start_a, length_a, b, start_b, length_b);
    if (digits != 0) return digits;
    if (*zeros == 0 && za != zb) *zeros = za < zb ? -1 : 1;
    return 0;
}

}  // namespace

bool natural_less(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    int zeros = 0;  // the first difference in leading zeros, for names of equal value
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            const int order = compare_numbers(a, i, b, j, &zeros);
            if (order != 0) return order < 0;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i, ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size();  // a shorter name first
    if (zeros != 0) return zeros < 0;
    return a < b;
}
