// Hives for the engine's tests: key trees to build, a way to read a hive back into the same
// shape, and a readable dump for comparing two trees.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::regf::testing {

// A tree with every kind of content: names in both encodings (Latin-1 and beyond), classes,
// several security descriptors, the default value, resident, cell and big data.
KeySpec RichTree();
// A root with `count` subkeys named "Key00000"... (long lists, index roots).
KeySpec WideTree(std::uint32_t count);
// A self-relative descriptor unlike the builder's default (owner and group SYSTEM).
std::vector<std::uint8_t> SystemOnlySecurity();

// The tree as a hive holds it: subkeys sorted, security inherited from the parent filled in.
KeySpec Normalized(const KeySpec& tree);
// Reads every key of the hive back; fails the test on an error.
KeySpec ReadBack(const HiveFile& hive);
// One line per key and value, with data in hex: equal trees give equal text.
std::string Dump(const KeySpec& tree);

std::vector<std::uint8_t> Build(const KeySpec& tree, const BuildOptions& options = {});
BuildOptions Fragmented(double share);

// One way of laying a hive out: format version, list forms and free space. The round-trip,
// compaction and checker tables all walk such layouts.
struct LayoutCase {
    const char* label;
    std::uint32_t minorVersion;
    bool indexLeaves;
    std::uint32_t maxLeafElements;
    double fragmentation;
};
BuildOptions OptionsFor(const LayoutCase& layout);
BuildOptions DirtyOptions();
HiveFile Open(std::vector<std::uint8_t> bytes);

// A folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kelvara::regf::testing

namespace kelvara::regf::testing {

// Finding and patching structures in a hive's bytes, for making damaged hives.
std::uint32_t KeyCell(const std::vector<std::uint8_t>& bytes, const std::string& path);
// The file offset of a field of the structure in the cell at `cell`.
inline std::uint64_t FieldAt(std::uint32_t cell, std::size_t field) { return 4096 + cell + 4 + field; }
std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::uint64_t fileOffset);
void Put32(std::vector<std::uint8_t>& bytes, std::uint64_t fileOffset, std::uint32_t value);
void Put16(std::vector<std::uint8_t>& bytes, std::uint64_t fileOffset, std::uint16_t value);
// Recomputes the base block's checksum after a patch of the base block.
void Reseal(std::vector<std::uint8_t>& bytes);
// Lays the big value `valueName` (ASCII) of the key out as writers other than Windows may:
// its last data segment in a cell just large enough for its bytes, the rest of the cell free.
// The hive stays sound. The segment's cell offset.
std::uint32_t ShortenLastSegment(std::vector<std::uint8_t>& bytes, const std::string& keyPath, const std::string& valueName);

}  // namespace kelvara::regf::testing
