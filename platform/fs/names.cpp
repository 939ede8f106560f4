#include "platform/fs/names.h"

#include <cstddef>

#include "platform/base/casefold.h"

namespace wq::fs {

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

int NaturalCompare(std::u16string_view a, std::u16string_view b) {
    size_t i = 0;
    size_t j = 0;
    int zeroBias = 0;  // first difference in leading zeros, used only on a tie
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t za = i;
            size_t zb = j;
            while (za < a.size() && a[za] == u'0') ++za;
            while (zb < b.size() && b[zb] == u'0') ++zb;
            size_t ea = za;
            size_t eb = zb;
            while (ea < a.size() && IsDigit(a[ea])) ++ea;
            while (eb < b.size() && IsDigit(b[eb])) ++eb;
            // Without leading zeros a longer run is the larger number.
            if (ea - za != eb - zb) return ea - za < eb - zb ? -1 : 1;
            for (size_t k = 0; k < ea - za; ++k) {
                if (a[za + k] != b[zb + k]) return a[za + k] < b[zb + k] ? -1 : 1;
            }
            if (zeroBias == 0 && za - i != zb - j) zeroBias = za - i < zb - j ? -1 : 1;
            i = ea;
            j = eb;
            continue;
        }
        const char16_t fa = FoldCase(a[i]);
        const char16_t fb = FoldCase(b[j]);
        if (fa != fb) return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    if (zeroBias != 0) return zeroBias;
    return a.compare(b) < 0 ? -1 : (a.compare(b) > 0 ? 1 : 0);
}

bool HasWildcard(std::u16string_view mask) {
    return mask.find_first_of(u"*?") != std::u16string_view::npos;
}

bool MatchesWildcard(std::u16string_view mask, std::u16string_view name) {
    if (mask == u"*.*") mask = u"*";
    // Greedy matching with one backtrack point: the last "*" seen absorbs one
    // more character whenever the rest fails. Linear in practice, never
    // exponential.
    size_t m = 0;
    size_t n = 0;
    size_t starM = std::u16string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starM = m++;
            starN = n;
        } else if (m < mask.size() && (mask[m] == u'?' || FoldCase(mask[m]) == FoldCase(name[n]))) {
            ++m;
            ++n;
        } else if (starM != std::u16string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return m == mask.size();
}

}  // namespace wq::fs
