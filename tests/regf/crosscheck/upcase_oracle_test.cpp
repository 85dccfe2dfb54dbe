// Our names held against Windows' own upper-case table: the $UpCase file that mkntfs writes (as
// defined by Windows 7, ntfs-3g says), read back with ntfscat. Every unit must agree; hives with
// names from the scripts where our old table went wrong must be found by name through their hash
// leaves, by hashes and comparisons made from that file, and read by hivex.
//
// Without mkntfs, ntfscat or hivexget the suite prints "SKIP: reason" and ends with 77.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "external_tool.h"
#include "hive_command.h"
#include "regf/hive_fixtures.h"
#include "regf/hive_file_impl.h"
#include "regf/key_node.h"
#include "regf/names.h"

namespace kelvara::regf {
namespace {

using crosscheck::OnPath;
using crosscheck::RunTool;
using testing::FieldAt;
using testing::Get32;
using testing::KeyCell;
using testing::Put32;

std::string Mkntfs() { return OnPath("mkntfs") ? "mkntfs" : "/usr/sbin/mkntfs"; }

// Windows' table: 65,536 capitals, one per UTF-16 unit.
const std::vector<char16_t>& WindowsUpcase() {
    static const std::vector<char16_t> table = [] {
        testing::TempDir dir;
        const std::string image = dir.File("ntfs.img");
        std::FILE* file = std::fopen(image.c_str(), "wb");
        std::fseek(file, (8 << 20) - 1, SEEK_SET);
        std::fputc(0, file);
        std::fclose(file);
        auto made = RunTool({Mkntfs(), "-F", "-f", "-q", image});
        if (made.exitCode != 0) throw std::runtime_error("mkntfs failed: " + made.err);
        auto upcase = RunTool({"ntfscat", "-i", "10", image});
        if (upcase.exitCode != 0 || upcase.out.size() != 2 * 65536) throw std::runtime_error("ntfscat gave no $UpCase: " + upcase.err);
        std::vector<char16_t> units(65536);
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<std::uint8_t>(upcase.out[2 * i]) |
                                             static_cast<std::uint8_t>(upcase.out[2 * i + 1]) << 8);
        return units;
    }();
    return table;
}

std::u16string WindowsUpper(std::u16string_view name) {
    std::u16string upper;
    for (char16_t c : name) upper += WindowsUpcase()[c];
    return upper;
}

std::uint32_t WindowsHash(std::u16string_view name) {
    std::uint32_t hash = 0;
    for (char16_t c : WindowsUpper(name)) hash = hash * 37 + c;
    return hash;
}

TEST(UpcaseOracle, EveryUnitAgreesWithNtfsUpCase) {
    std::size_t differences = 0;
    for (std::uint32_t c = 0; c < 65536; ++c)
        if (UpcaseUnit(static_cast<char16_t>(c)) != WindowsUpcase()[c]) {
            if (++differences <= 10) ADD_FAILURE() << "unit " << std::hex << c << ": ours " << int{UpcaseUnit(static_cast<char16_t>(c))}
                                                   << ", $UpCase " << int{WindowsUpcase()[c]};
        }
    EXPECT_EQ(differences, 0u);
}

// One name from each script where the old table and Windows' differed, and a few where they
// always agreed.
const char* const kScriptNames[] = {
    "Ձյուն",        // Armenian
    "ṭest",         // Latin Extended Additional (Vietnamese and more)
    "Việt Nam",
    "λέξις",        // Greek final sigma: Windows 7 leaves it
    "ștefan",       // Romanian, Latin Extended-B
    "țară",
    "ƀar",          // Latin Extended-B, added in Vista
    "ѣра",          // Cyrillic beyond U+045F
    "ґанок",
    "ⴀⴁ",           // Georgian Nuskhuri
    "ⓐⓑ",           // circled letters
    "Äpfel",        // Latin-1
    "ключ",         // basic Cyrillic
    "ｆｕｌｌ",     // full-width Latin
    "Plain",
};

constexpr std::uint32_t kRegSz = 1;

// REG_SZ data: UTF-16LE with its terminating zero.
std::vector<std::uint8_t> Utf16z(const std::string& text) {
    const std::string bytes = EncodeName(Utf8ToUtf16(text) + u'\0', false);
    return {bytes.begin(), bytes.end()};
}

int RunHive(const std::vector<std::string>& args, std::string* output = nullptr) {
    std::ostringstream out, err;
    const int code = tools::RunHiveCommand(args, out, err);
    if (output) *output = out.str() + err.str();
    return code;
}

// The "lh" elements of the key at `path`: key node and hash.
std::vector<std::pair<std::uint32_t, std::uint32_t>> HashLeaf(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    const std::uint32_t list = Get32(bytes, FieldAt(KeyCell(bytes, path), offsetof(KeyNodeHeader, subkeys_list_offset)));
    EXPECT_EQ(bytes[FieldAt(list, 0)], 'l');
    EXPECT_EQ(bytes[FieldAt(list, 1)], 'h');
    const std::uint32_t count = Get32(bytes, FieldAt(list, 2)) & 0xFFFF;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> elements;
    for (std::uint32_t i = 0; i < count; ++i)
        elements.push_back({Get32(bytes, FieldAt(list, 4 + 8 * i)), Get32(bytes, FieldAt(list, 8 + 8 * i))});
    return elements;
}

std::u16string NameOf(const std::vector<std::uint8_t>& bytes, std::uint32_t cell) {
    HiveFile hive = testing::Open(bytes);
    return ReadKeyNode(ImplOf(hive).cells, cell).value().Name();
}

// As Windows looks a subkey up by name: the hash of the wanted name first, the full names only
// where the hash is equal, compared in upper case.
std::uint32_t FindByHash(const std::vector<std::uint8_t>& bytes, const std::string& parent, std::u16string_view wanted) {
    for (const auto& [cell, hash] : HashLeaf(bytes, parent))
        if (hash == WindowsHash(wanted) && WindowsUpper(NameOf(bytes, cell)) == WindowsUpper(wanted)) return cell;
    return 0;
}

TEST(UpcaseOracle, KeysOfEveryScriptAreFoundByNameInTheCompactedCopy) {
    KeySpec scripts{"Scripts", "", 2, {}, {}, {}};
    for (const char* name : kScriptNames)
        scripts.subkeys.push_back({name, "", 3, {}, {{"V", kRegSz, Utf16z(std::string("value of ") + name)}}, {}});
    KeySpec root{"ROOT", "", 1, {}, {}, {scripts}};
    auto bytes = testing::Build(root);
    // The hashes as Windows writes them, from its table.
    const std::uint32_t list = Get32(bytes, FieldAt(KeyCell(bytes, "Scripts"), offsetof(KeyNodeHeader, subkeys_list_offset)));
    const auto elements = HashLeaf(bytes, "Scripts");
    for (std::size_t i = 0; i < elements.size(); ++i)
        Put32(bytes, FieldAt(list, 8 + 8 * static_cast<std::uint32_t>(i)), WindowsHash(NameOf(bytes, elements[i].first)));

    testing::TempDir dir;
    const std::string original = dir.File("original"), copy = dir.File("copy");
    testing::WriteFileBytes(original, bytes);
    std::string said;
    EXPECT_EQ(RunHive({"check", original}, &said), 0) << said;
    ASSERT_EQ(RunHive({"compact", original, copy}, &said), 0) << said;
    EXPECT_EQ(RunHive({"check", copy}, &said), 0) << said;

    const auto copied = testing::ReadFileBytes(copy);
    for (const char* name : kScriptNames) {
        const std::u16string wide = Utf8ToUtf16(name);
        // Looked for in Windows' upper case, as a program that does not know the case would.
        EXPECT_NE(FindByHash(copied, "Scripts", WindowsUpper(wide)), 0u) << name;
        auto value = RunTool({"hivexget", copy, std::string("\\Scripts\\") + name, "V"});
        EXPECT_EQ(value.exitCode, 0) << name << ": " << value.err;
        EXPECT_EQ(value.out, std::string("value of ") + name + "\n") << name;
    }
}

}  // namespace
}  // namespace kelvara::regf

int main(int argc, char** argv) {
    using kelvara::crosscheck::OnPath;
    for (const char* tool : {"ntfscat", "hivexget"})
        if (!OnPath(tool)) {
            std::printf("SKIP: %s is not installed (packages ntfs-3g, libhivex-bin)\n", tool);
            return 77;
        }
    if (!OnPath("mkntfs") && !std::filesystem::exists("/usr/sbin/mkntfs")) {
        std::printf("SKIP: mkntfs is not installed (package ntfs-3g)\n");
        return 77;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
