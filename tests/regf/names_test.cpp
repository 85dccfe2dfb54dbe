// Names as stored: the operations the compactor runs on stored bytes must agree with the
// decoded forms the reader and checker use, in both encodings; and a name given twice among a
// key's values is found however many values the key has.
#include <gtest/gtest.h>

#include "hive_fixtures.h"
#include "regf/hive_file_impl.h"
#include "regf/key_node.h"
#include "regf/key_value.h"
#include "regf/names.h"

namespace kelvara::regf {
namespace {

using testing::FieldAt;
using testing::Get32;

const std::u16string kNames[] = {
    u"",
    u"a",
    u"Software",
    u"SOFTWARE",
    u"software2",
    u"Caf\u00e9",                 // Latin-1: compressed
    u"CAF\u00c9",
    u"\u00ff\u00e0",              // y-diaeresis upper-cases outside Latin-1
    u"\u0178\u00c0",
    u"\u03c9mega",                // Greek: UTF-16
    u"\u03a9MEGA",
    u"\u0444\u0430\u0439\u043b",  // Cyrillic
    u"\u0424\u0410\u0419\u041b",
    u"\uff41\uff42",              // full-width
    u"\U0001F600x",              // a surrogate pair
    u"[]^_`{",                    // the punctuation between the cases
    u"abcdefgh",                  // eight characters: one step of the case-blind hash
    u"ABCDEFGH",
    u"abcdefghI",
    u"ValueNameLongerThanEight",
    u"VALUENAMELONGERTHANEIGHT",
    u"valuenameélonger",     // a Latin-1 letter inside the second step
    u"VALUENAMEÉLONGER",
    // Names sharing long prefixes: a difference at the first or last character or between,
    // in case only, against the punctuation between the cases, and a name that is a prefix
    // of another.
    u"Microsoft.Windows.Shell",
    u"MICROSOFT.WINDOWS.SHELL",
    u"Microsoft.Windows.ShelL2",
    u"Microsoft_Windows.Shell",
    u"MicrosofT.Windows.Shell",
    u"Microsoft.Windows.Shel",
    u"Microsoft.Windows.éhell",
    u"{0000000A-0000-0000-C000-000000000046}",
    u"{0000000a-0000-0000-c000-000000000046}",
    u"{0000000B-0000-0000-C000-000000000046}",
    u"{0000000A-0000-0000-C000-000000000047}",
    u"\u00b5s",                   // micro sign: upper-cases to Greek capital mu
    u"\u039cS",
    u"@s",                        // differ in bit 0x20 only, yet are not letters
    u"`S",
};

std::string Stored(const std::u16string& name, bool compressed) { return EncodeName(name, compressed); }
StoredName ViewOf(const std::string& bytes, bool compressed) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), compressed};
}
int Sign(int c) { return (c > 0) - (c < 0); }

TEST(StoredNames, AgreeWithTheDecodedNamesInBothEncodings) {
    for (const auto& a : kNames) {
        for (bool compressedA : {false, true}) {
            if (compressedA && !FitsCompressed(std::u16string_view(a))) continue;
            const std::string bytesA = Stored(a, compressedA);
            const StoredName viewA = ViewOf(bytesA, compressedA);
            SCOPED_TRACE(Utf16ToUtf8(a) + (compressedA ? " (compressed)" : " (UTF-16)"));
            EXPECT_EQ(viewA.Decode(), a);
            EXPECT_EQ(viewA.Length(), a.size());
            EXPECT_EQ(FitsCompressed(viewA), FitsCompressed(std::u16string_view(a)));
            EXPECT_EQ(NameHash(viewA), NameHash(std::u16string_view(a)));
            EXPECT_EQ(NameHint(viewA), NameHint(std::u16string_view(a)));
            for (bool compressedOut : {false, true}) {
                if (compressedOut && !FitsCompressed(viewA)) continue;
                std::string out(2 * a.size(), '\x55');
                std::uint32_t written = StoreName(viewA, compressedOut, reinterpret_cast<std::uint8_t*>(out.data()));
                out.resize(written);
                EXPECT_EQ(out, Stored(a, compressedOut));
            }
            for (const auto& b : kNames) {
                for (bool compressedB : {false, true}) {
                    if (compressedB && !FitsCompressed(std::u16string_view(b))) continue;
                    const std::string bytesB = Stored(b, compressedB);
                    const StoredName viewB = ViewOf(bytesB, compressedB);
                    const int expected = Sign(CompareNames(std::u16string_view(a), std::u16string_view(b)));
                    EXPECT_EQ(Sign(CompareNames(viewA, viewB)), expected) << Utf16ToUtf8(b);
                    EXPECT_EQ(SameName(viewA, viewB), expected == 0) << Utf16ToUtf8(b);
                    // Equal names hash alike; these unequal ones happen not to collide.
                    EXPECT_EQ(CaseBlindHash(viewA) == CaseBlindHash(viewB), expected == 0) << Utf16ToUtf8(b);
                }
            }
        }
    }
}

TEST(StoredNames, AnOddTrailingByteOfAUtf16NameIsNotPartOfIt) {
    const std::string bytes = Stored(u"ab", false) + 'c';
    const StoredName view = ViewOf(bytes, false);
    EXPECT_EQ(view.Length(), 2u);
    EXPECT_EQ(view.Decode(), u"ab");
    EXPECT_TRUE(SameName(view, ViewOf(Stored(u"AB", true), true)));
}

// The root's value cell named `name`.
std::uint32_t RootValueCell(const std::vector<std::uint8_t>& bytes, const std::u16string& name) {
    HiveFile hive = testing::Open(bytes);
    const auto& cells = ImplOf(hive).cells;
    auto root = ReadKeyNode(cells, hive.Root()->CellOffset()).value();
    for (std::uint32_t i = 0; i < root.header.number_of_key_values; ++i) {
        std::uint32_t offset = Get32(bytes, FieldAt(root.header.key_values_list_offset, 4 * i));
        if (ReadKeyValue(cells, offset).value().Name() == name) return offset;
    }
    ADD_FAILURE() << "no value " << Utf16ToUtf8(name);
    return 0;
}

struct DuplicateCase {
    const char* label;
    std::uint32_t values;
    std::u16string prefix;       // the values are prefix + "000", prefix + "001", ...
    std::u16string renamedTo;    // the last value's new name, as long as the old one; "" keeps it
};

const DuplicateCase kDuplicates[] = {
    {"few_distinct", 5, u"v", u""},
    {"few_duplicate", 5, u"v", u"V001"},
    {"eight_duplicate_first", 8, u"v", u"V000"},
    {"nine_duplicate", 9, u"v", u"V004"},
    {"many_distinct", 300, u"v", u""},
    {"many_duplicate", 300, u"v", u"V123"},
    {"many_utf16_distinct", 300, u"\u03c9", u""},
    {"many_utf16_duplicate", 300, u"\u03c9", u"\u03a9017"},
};

class ValueNameDuplicates : public ::testing::TestWithParam<DuplicateCase> {};

TEST_P(ValueNameDuplicates, AreRefusedByTheCompactorWhateverTheCount) {
    const auto& c = GetParam();
    KeySpec root;
    auto nameOf = [&](std::uint32_t i) {
        std::u16string digits = u"000";
        digits[0] = static_cast<char16_t>(u'0' + i / 100);
        digits[1] = static_cast<char16_t>(u'0' + i / 10 % 10);
        digits[2] = static_cast<char16_t>(u'0' + i % 10);
        return c.prefix + digits;
    };
    for (std::uint32_t i = 0; i < c.values; ++i) root.values.push_back({Utf16ToUtf8(nameOf(i)), 4, Dword(i)});
    auto bytes = testing::Build(root);
    if (!c.renamedTo.empty()) {
        const std::u16string last = nameOf(c.values - 1);
        ASSERT_EQ(last.size(), c.renamedTo.size());
        const std::uint32_t cell = RootValueCell(bytes, last);
        const bool compressed = FitsCompressed(std::u16string_view(last));
        const std::string renamed = EncodeName(c.renamedTo, compressed);
        std::copy(renamed.begin(), renamed.end(), bytes.begin() + FieldAt(cell, sizeof(KeyValueHeader)));
    }
    auto compacted = CompactBytes(testing::Open(bytes));
    if (c.renamedTo.empty()) {
        EXPECT_TRUE(compacted.ok()) << compacted.error().ToString();
    } else {
        ASSERT_FALSE(compacted.ok());
        EXPECT_NE(compacted.error().message.find("a second value named \"" + Utf16ToUtf8(c.renamedTo) + "\""),
                  std::string::npos)
            << compacted.error().ToString();
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, ValueNameDuplicates, ::testing::ValuesIn(kDuplicates),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kelvara::regf
