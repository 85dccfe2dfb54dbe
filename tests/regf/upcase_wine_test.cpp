// Wine's own upper-casing, asked unit by unit through ntdll's RtlUpcaseUnicodeChar, against the
// tables the engine compares names with. Wine follows a newer Unicode than Windows 7 does: its
// answers must be the committed Wine table on every unit, and differ from Windows 7's exactly
// where later Unicode versions gave a letter a capital (or a capital a small letter) that
// Windows 7's table does not know. Those units are listed below by block, from the Unicode
// character database's history, not from our tables.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <sstream>
#include <vector>

#include "regf/names.h"

namespace kelvara::regf {
namespace {

using UpcaseCharFunction = WCHAR(WINAPI*)(WCHAR);

// Found at run time: ntdll exports it, the MinGW import library need not.
UpcaseCharFunction WineUpcase() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return nullptr;
    return reinterpret_cast<UpcaseCharFunction>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")));
}

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Units first..last (every `step`-th one) whose capital in newer Unicode is the unit + delta.
struct NewerCasing {
    char16_t first;
    char16_t last;
    int step;
    int delta;
    const char* why;
};

// Case pairs that Unicode added after the version Windows 7's table follows (Unicode 5.0/5.1).
constexpr NewerCasing kNewerCasings[] = {
    {0x023F, 0x0240, 1, 0x2C7E - 0x023F, "Latin Extended-B: s and z with swash tail, capitals in Latin Extended-C (Unicode 5.2)"},
    {0x0252, 0x0252, 1, 0x2C70 - 0x0252, "IPA Extensions: turned alpha, capital in Latin Extended-C (Unicode 5.2)"},
    {0x025C, 0x025C, 1, 0xA7AB - 0x025C, "IPA Extensions: reversed open e, capital in Latin Extended-D"},
    {0x0261, 0x0261, 1, 0xA7AC - 0x0261, "IPA Extensions: script g, capital in Latin Extended-D"},
    {0x0265, 0x0265, 1, 0xA78D - 0x0265, "IPA Extensions: turned h, capital in Latin Extended-D"},
    {0x0266, 0x0266, 1, 0xA7AA - 0x0266, "IPA Extensions: h with hook, capital in Latin Extended-D"},
    {0x026A, 0x026A, 1, 0xA7AE - 0x026A, "IPA Extensions: small capital I, capital in Latin Extended-D"},
    {0x026C, 0x026C, 1, 0xA7AD - 0x026C, "IPA Extensions: l with belt, capital in Latin Extended-D"},
    {0x0282, 0x0282, 1, 0xA7C5 - 0x0282, "IPA Extensions: s with hook, capital in Latin Extended-D"},
    {0x0287, 0x0287, 1, 0xA7B1 - 0x0287, "IPA Extensions: turned t, capital in Latin Extended-D"},
    {0x029D, 0x029D, 1, 0xA7B2 - 0x029D, "IPA Extensions: j with crossed-tail, capital in Latin Extended-D"},
    {0x029E, 0x029E, 1, 0xA7B0 - 0x029E, "IPA Extensions: turned k, capital in Latin Extended-D"},
    {0x03F3, 0x03F3, 1, 0x037F - 0x03F3, "Greek: yot, capital yot (Unicode 7.0)"},
    {0x0525, 0x052F, 2, -1, "Cyrillic Supplement: pairs added in Unicode 5.2 to 7.0"},
    {0x10D0, 0x10FA, 1, 0x1C90 - 0x10D0, "Georgian Mkhedruli, capitals in Georgian Mtavruli (Unicode 11.0)"},
    {0x10FD, 0x10FF, 1, 0x1C90 - 0x10D0, "Georgian Mkhedruli, capitals in Georgian Mtavruli (Unicode 11.0)"},
    {0x13F8, 0x13FD, 1, 0x13F0 - 0x13F8, "Cherokee: small letters of the capitals 13F0-13F5 (Unicode 8.0)"},
    {0x1D8E, 0x1D8E, 1, 0xA7C6 - 0x1D8E, "Phonetic Extensions Supplement: z with palatal hook, capital in Latin Extended-D"},
    {0x2C5F, 0x2C5F, 1, 0x2C2F - 0x2C5F, "Glagolitic: small caudate chrivi (Unicode 14.0)"},
    {0x2CEC, 0x2CEE, 2, -1, "Coptic: cryptogrammic shei and gangia"},
    {0x2CF3, 0x2CF3, 1, -1, "Coptic: bohairic khei"},
    {0x2D27, 0x2D27, 1, 0x10C7 - 0x2D27, "Georgian Supplement: nuskhuri yn, capital in Georgian"},
    {0x2D2D, 0x2D2D, 1, 0x10CD - 0x2D2D, "Georgian Supplement: nuskhuri aen, capital in Georgian"},
    {0xA661, 0xA661, 1, -1, "Cyrillic Extended-B: reversed tse"},
    {0xA699, 0xA69B, 2, -1, "Cyrillic Extended-B: double o and crossed o"},
    {0xA791, 0xA793, 2, -1, "Latin Extended-D: n and c with descender or bar"},
    {0xA794, 0xA794, 1, 0xA7C4 - 0xA794, "Latin Extended-D: c with palatal hook, capital A7C4 (Unicode 12.0)"},
    {0xA797, 0xA7A9, 2, -1, "Latin Extended-D: pairs A796-A7A9"},
    {0xA7B5, 0xA7BF, 2, -1, "Latin Extended-D: beta, omega, u with stroke, glottal a, i and u"},
    {0xA7C1, 0xA7C3, 2, -1, "Latin Extended-D: old Polish o, anglicana w"},
    {0xA7C8, 0xA7CA, 2, -1, "Latin Extended-D: d and s with short stroke overlay (Unicode 13.0)"},
    {0xA7D1, 0xA7D1, 1, -1, "Latin Extended-D: closed insular g (Unicode 14.0)"},
    {0xA7D7, 0xA7D9, 2, -1, "Latin Extended-D: middle scots s, sigmoid s (Unicode 14.0)"},
    {0xA7F6, 0xA7F6, 1, -1, "Latin Extended-D: reversed half h (Unicode 13.0)"},
    {0xAB53, 0xAB53, 1, 0xA7B3 - 0xAB53, "Latin Extended-E: chi, capital in Latin Extended-D (Unicode 8.0)"},
    {0xAB70, 0xABBF, 1, 0x13A0 - 0xAB70, "Cherokee Supplement: small letters of Cherokee 13A0-13EF (Unicode 8.0)"},
};

struct Difference {
    char16_t unit;
    char16_t upper;
};

std::vector<Difference> ExpectedDifferences() {
    std::vector<Difference> units;
    for (const NewerCasing& casing : kNewerCasings)
        for (int unit = casing.first; unit <= casing.last; unit += casing.step)
            units.push_back({static_cast<char16_t>(unit), static_cast<char16_t>(unit + casing.delta)});
    return units;
}

std::string Hex(unsigned value) {
    std::ostringstream text;
    text << "U+" << std::hex << std::uppercase << value;
    return text.str();
}

class WineUpcaseTable : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "not under Wine: ntdll's table is this Windows' own";
        upcase_ = WineUpcase();
        ASSERT_NE(upcase_, nullptr) << "ntdll has no RtlUpcaseUnicodeChar";
    }
    UpcaseCharFunction upcase_ = nullptr;
};

TEST_F(WineUpcaseTable, WinesAnswerIsTheCommittedWineTableOnEveryUnit) {
    int mismatches = 0;
    for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const char16_t c = static_cast<char16_t>(unit);
        const char16_t wine = upcase_(c);
        const char16_t ours = UpcaseUnit(c, UpcaseTable::Wine);
        if (wine == ours) continue;
        if (++mismatches <= 20)
            ADD_FAILURE() << Hex(unit) << ": Wine gives " << Hex(wine) << ", our Wine table " << Hex(ours);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(WineUpcaseTable, WineDiffersFromWindows7ExactlyWhereNewerUnicodeAddedCasePairs) {
    std::vector<Difference> seen;
    for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const char16_t c = static_cast<char16_t>(unit);
        const char16_t wine = upcase_(c);
        if (wine != UpcaseUnit(c)) seen.push_back({c, wine});
    }
    const std::vector<Difference> expected = ExpectedDifferences();
    ASSERT_EQ(expected.size(), 190u);   // the list above, counted by hand per block
    EXPECT_EQ(seen.size(), expected.size());

    std::size_t i = 0, j = 0;
    while (i < seen.size() || j < expected.size()) {
        if (j == expected.size() || (i < seen.size() && seen[i].unit < expected[j].unit)) {
            ADD_FAILURE() << Hex(seen[i].unit) << ": Wine gives " << Hex(seen[i].upper)
                          << ", Windows 7 " << Hex(UpcaseUnit(seen[i].unit)) << "; not in the list";
            ++i;
        } else if (i == seen.size() || expected[j].unit < seen[i].unit) {
            ADD_FAILURE() << Hex(expected[j].unit) << ": listed, but Wine and Windows 7 agree on "
                          << Hex(UpcaseUnit(expected[j].unit));
            ++j;
        } else {
            EXPECT_EQ(seen[i].upper, expected[j].upper) << Hex(seen[i].unit) << " upper-cased by Wine";
            ++i;
            ++j;
        }
    }
}

// Letters every table agrees on, from Unicode's own mappings: both sides truly upper-case, so the
// comparisons above are not between two functions that answer their argument.
TEST_F(WineUpcaseTable, WineUpperCasesTheLettersEveryTableAgreesOn) {
    struct Case {
        char16_t lower, upper;
    };
    const Case cases[] = {{u'a', u'A'}, {u'z', u'Z'}, {u'A', u'A'}, {u'\u00E9', u'\u00C9'},
                          {u'\u03B1', u'\u0391'}, {u'\u0436', u'\u0416'}, {u'\u00DF', u'\u00DF'},
                          {u'\uFF41', u'\uFF21'}, {u'1', u'1'}};
    for (const Case& c : cases) {
        EXPECT_EQ(upcase_(c.lower), c.upper) << Hex(c.lower);
        EXPECT_EQ(UpcaseUnit(c.lower), c.upper) << Hex(c.lower);
    }
}

}  // namespace
}  // namespace kelvara::regf
