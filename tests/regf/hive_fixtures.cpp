#include "hive_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>

#include "regf/default_security.h"
#include "regf/names.h"

namespace kelvara::regf::testing {

namespace {

constexpr std::uint32_t REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4, REG_MULTI_SZ = 7,
                        REG_QWORD = 11;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : data) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return data;
}

std::string HexOf(const std::vector<std::uint8_t>& data) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (auto b : data) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

void DumpInto(const KeySpec& tree, const std::string& path, std::string& out) {
    out += "key " + path + " class=\"" + tree.className + "\" time=" + std::to_string(tree.lastWritten) +
           " sd=" + HexOf(tree.security) + "\n";
    for (const auto& value : tree.values)
        out += "  value \"" + value.name + "\" type=" + std::to_string(value.type) + " size=" +
               std::to_string(value.data.size()) + " data=" + HexOf(value.data) + "\n";
    for (const auto& child : tree.subkeys) DumpInto(child, path + "\\" + child.name, out);
}

void NormalizeInto(KeySpec& tree, const std::vector<std::uint8_t>& inherited) {
    if (tree.security.empty()) tree.security = inherited;
    std::stable_sort(tree.subkeys.begin(), tree.subkeys.end(), [](const KeySpec& a, const KeySpec& b) {
        return CompareNames(Utf8ToUtf16(a.name), Utf8ToUtf16(b.name)) < 0;
    });
    for (auto& child : tree.subkeys) NormalizeInto(child, tree.security);
}

KeySpec ReadKey(const KeyView& key) {
    KeySpec tree;
    tree.name = key.Name();
    tree.lastWritten = key.LastWritten();
    auto className = key.ClassName();
    EXPECT_TRUE(className.ok()) << className.error().ToString();
    if (className) tree.className = *className;
    auto security = key.SecurityDescriptor();
    EXPECT_TRUE(security.ok()) << security.error().ToString();
    if (security) tree.security = *security;
    auto values = key.Values();
    EXPECT_TRUE(values.ok()) << values.error().ToString();
    if (values)
        for (auto& value : *values) tree.values.push_back({value.name, value.type, value.data});
    auto subkeys = key.Subkeys();
    EXPECT_TRUE(subkeys.ok()) << subkeys.error().ToString();
    if (subkeys)
        for (const auto& subkey : *subkeys) tree.subkeys.push_back(ReadKey(subkey));
    return tree;
}

}  // namespace

std::vector<std::uint8_t> SystemOnlySecurity() {
    // Revision 1, self-relative with a DACL, owner and group SYSTEM (S-1-5-18), an empty DACL.
    return {1, 0, 0x04, 0x80, 20, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 44, 0, 0, 0,   // header
            1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,                                   // owner at 20
            1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,                                   // group at 32
            2, 0, 8, 0, 0, 0, 0, 0};                                               // DACL at 44
}

KeySpec RichTree() {
    KeySpec root;
    root.name = "ROOT";
    root.lastWritten = 0x01D9000000000001ull;
    root.values = {
        {"", REG_SZ, Utf16z("default value")},
        {"Empty", REG_BINARY, {}},
        {"Dword", REG_DWORD, Dword(0xDEADBEEF)},
        {"Three", REG_BINARY, {1, 2, 3}},
        {"Five", REG_BINARY, {1, 2, 3, 4, 5}},
        {"Qword", REG_QWORD, Qword(0x0123456789ABCDEFull)},
        {"Path", REG_EXPAND_SZ, Utf16z("%SystemRoot%\\system32")},
        {"List", REG_MULTI_SZ, MultiSz({"one", "two", "три"})},
        {"Exactly one segment", REG_BINARY, Pattern(16344, 1)},
        {"One byte past a segment", REG_BINARY, Pattern(16345, 2)},
        {"Big", REG_BINARY, Pattern(100000, 3)},
        {"Wert mit Ümlaut", REG_SZ, Utf16z("Größe")},
        {"Значение", REG_SZ, Utf16z("юникод")},
    };

    KeySpec software{"Software", "", 0x01D9000000000002ull, {}, {}, {}};
    software.subkeys.push_back({"Microsoft", "", 0x01D9000000000003ull, {}, {{"Version", REG_SZ, Utf16z("6.1")}}, {}});
    software.subkeys.push_back({"äpfel", "Obst", 0x01D9000000000004ull, {}, {}, {}});
    software.subkeys.push_back({"Zeta", "", 5, SystemOnlySecurity(), {{"z", REG_DWORD, Dword(1)}}, {}});
    software.subkeys.push_back({"ключ", "класс", 6, {}, {}, {}});
    software.subkeys.push_back({"键", "", 7, {}, {{"值", REG_SZ, Utf16z("数据")}}, {}});
    software.subkeys.push_back({"alpha", "", 8, {}, {}, {}});
    root.subkeys.push_back(software);

    KeySpec system{"SYSTEM", "A class name", 9, SystemOnlySecurity(), {}, {}};
    KeySpec deep{"Level0", "", 10, {}, {}, {}};
    KeySpec* at = &deep;
    for (int i = 1; i < 20; ++i) {
        at->subkeys.push_back({"Level" + std::to_string(i), "", static_cast<std::uint64_t>(10 + i), {}, {}, {}});
        at = &at->subkeys.back();
    }
    at->values.push_back({"Bottom", REG_SZ, Utf16z("deep")});
    system.subkeys.push_back(deep);
    root.subkeys.push_back(system);
    return root;
}

KeySpec WideTree(std::uint32_t count) {
    KeySpec root;
    root.name = "Wide";
    for (std::uint32_t i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Key%05u", i);
        root.subkeys.push_back(KeySpec{name, "", i, {}, {}, {}});
    }
    // In reverse, so the builder has to sort them.
    std::reverse(root.subkeys.begin(), root.subkeys.end());
    return root;
}

KeySpec Normalized(const KeySpec& tree) {
    KeySpec copy = tree;
    NormalizeInto(copy, DefaultKeySecurity());
    return copy;
}

KeySpec ReadBack(const HiveFile& hive) {
    auto root = hive.Root();
    EXPECT_TRUE(root.ok()) << root.error().ToString();
    if (!root) return {};
    return ReadKey(*root);
}

std::string Dump(const KeySpec& tree) {
    std::string out;
    DumpInto(tree, tree.name, out);
    return out;
}

std::vector<std::uint8_t> Build(const KeySpec& tree, const BuildOptions& options) {
    auto bytes = BuildBytes(tree, options);
    EXPECT_TRUE(bytes.ok()) << bytes.error().ToString();
    return bytes ? *bytes : std::vector<std::uint8_t>();
}

BuildOptions OptionsFor(const LayoutCase& layout) {
    BuildOptions options;
    options.minorVersion = layout.minorVersion;
    options.indexLeaves = layout.indexLeaves;
    options.maxLeafElements = layout.maxLeafElements;
    options.fragmentation = layout.fragmentation;
    return options;
}

BuildOptions Fragmented(double share) {
    BuildOptions options;
    options.fragmentation = share;
    return options;
}

BuildOptions DirtyOptions() {
    BuildOptions options;
    options.dirty = true;
    return options;
}

HiveFile Open(std::vector<std::uint8_t> bytes) {
    auto hive = HiveFile::FromBytes(std::move(bytes));
    EXPECT_TRUE(hive.ok()) << hive.error().ToString();
    if (!hive) throw std::runtime_error(hive.error().ToString());
    return *hive;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("kelvara-regf-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace kelvara::regf::testing

#include <cstring>

#include "regf/base_block.h"

namespace kelvara::regf::testing {

std::uint32_t KeyCell(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    HiveFile hive = Open(bytes);
    auto key = hive.FindKey(path);
    if (!key.ok() || !key->has_value()) throw std::runtime_error("no key " + path);
    return (*key)->CellOffset();
}

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::uint64_t fileOffset) {
    return static_cast<std::uint32_t>(bytes.at(fileOffset)) | (static_cast<std::uint32_t>(bytes.at(fileOffset + 1)) << 8) |
           (static_cast<std::uint32_t>(bytes.at(fileOffset + 2)) << 16) | (static_cast<std::uint32_t>(bytes.at(fileOffset + 3)) << 24);
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint64_t fileOffset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(fileOffset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put16(std::vector<std::uint8_t>& bytes, std::uint64_t fileOffset, std::uint16_t value) {
    bytes.at(fileOffset) = static_cast<std::uint8_t>(value);
    bytes.at(fileOffset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void Reseal(std::vector<std::uint8_t>& bytes) {
    BaseBlockHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.checksum = BaseBlockChecksum(header);
    std::memcpy(bytes.data(), &header, sizeof header);
}

}  // namespace kelvara::regf::testing

namespace kelvara::regf::testing {

std::uint32_t ShortenLastSegment(std::vector<std::uint8_t>& bytes, const std::string& keyPath, const std::string& valueName) {
    HiveFile hive = Open(bytes);
    auto key = hive.FindKey(keyPath);
    if (!key.ok() || !key->has_value()) throw std::runtime_error("no key " + keyPath);
    const std::uint32_t node = (*key)->CellOffset();
    const std::uint32_t count = Get32(bytes, FieldAt(node, 36));   // number of key values
    const std::uint32_t list = Get32(bytes, FieldAt(node, 40));    // key values list offset
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t vk = Get32(bytes, FieldAt(list, 4 * i));
        const std::uint16_t nameLength = static_cast<std::uint16_t>(Get32(bytes, FieldAt(vk, 2)) & 0xFFFF);
        const auto name = bytes.begin() + static_cast<std::ptrdiff_t>(FieldAt(vk, 20));
        if (std::string(name, name + nameLength) != valueName) continue;
        const std::uint32_t size = Get32(bytes, FieldAt(vk, 4));
        const std::uint32_t db = Get32(bytes, FieldAt(vk, 8));
        const std::uint32_t segments = Get32(bytes, FieldAt(db, 2)) & 0xFFFF;
        const std::uint32_t last = Get32(bytes, FieldAt(Get32(bytes, FieldAt(db, 4)), 4 * (segments - 1)));
        const std::uint32_t part = size - (segments - 1) * 16344;
        const std::uint32_t shortCell = (part + 4 + 7) & ~7u;
        const std::uint32_t wholeCell = 0u - Get32(bytes, 4096 + last);
        Put32(bytes, 4096 + last, 0u - shortCell);
        Put32(bytes, 4096 + last + shortCell, wholeCell - shortCell);   // the rest becomes a free cell
        return last;
    }
    throw std::runtime_error("no value " + valueName + " in " + keyPath);
}

}  // namespace kelvara::regf::testing
