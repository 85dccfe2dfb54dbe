// make-fuzz-corpus FOLDER [LOG_FOLDER]: writes the seed hives the fuzzer starts from, small ones
// that between them hold every structure the reader knows; with LOG_FOLDER also the seed logs of
// the log recovery target, a first byte naming them and then the log as Windows writes it.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/dirty_hive.h"
#include "regf/regf.h"

using namespace kelvara::regf;

namespace {

std::vector<std::uint8_t> SecurityDescriptor(std::uint8_t ownerRid) {
    // Self-relative: header, owner S-1-5-32-<rid>, group S-1-5-18, DACL granting Everyone read.
    std::vector<std::uint8_t> sd = {1, 0, 0x04, 0x80, 20, 0, 0, 0, 36, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 0};
    const std::vector<std::uint8_t> owner = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, ownerRid, 2, 0, 0};
    const std::vector<std::uint8_t> group = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    const std::vector<std::uint8_t> dacl = {2, 0, 28, 0, 1, 0, 0, 0, 0, 2, 20, 0, 0x19, 0, 2, 0,
                                            1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    sd.insert(sd.end(), owner.begin(), owner.end());
    sd.insert(sd.end(), group.begin(), group.end());
    sd.insert(sd.end(), dacl.begin(), dacl.end());
    return sd;
}

KeySpec Key(std::string name, std::vector<ValueSpec> values = {}, std::vector<KeySpec> subkeys = {}) {
    KeySpec k;
    k.name = std::move(name);
    k.lastWritten = 133170048000000000ull + k.name.size() * 10000000ull;
    k.values = std::move(values);
    k.subkeys = std::move(subkeys);
    return k;
}

KeySpec EveryValueKind() {
    KeySpec k = Key("Values", {
        {"", 1, Utf16z("default")},
        {"Resident", 4, Dword(0x12345678)},
        {"Short", 3, {1, 2}},
        {"Empty", 3, {}},
        {"Text", 1, Utf16z("C:\\Windows\\system32")},
        {"Expand", 2, Utf16z("%SystemRoot%\\notepad.exe")},
        {"Multi", 7, MultiSz({"one", "two", "three"})},
        {"Quad", 11, Qword(0x0102030405060708ull)},
        {"Gr\xC3\xB6\xC3\x9F" "e", 1, Utf16z("non-ASCII name")},
        {"\xE6\x97\xA5\xE6\x9C\xAC", 4, Dword(7)},
        {"Odd type", 0xFFFF0012u, {9, 9, 9}},
    });
    k.className = "ClassName";
    return k;
}

struct Seed {
    const char* file;
    KeySpec root;
    BuildOptions options;
};

}  // namespace

// A seed is written only when it recovers the crashed hive: a seed the recovery refuses would
// start the fuzzer from nothing but refusals.
bool WriteSeed(const std::string& path, std::uint8_t naming, const std::vector<std::uint8_t>& log) {
    const auto recovered = RecoverHive(kelvara::fuzzing::CrashedHive(), {{naming == 0 ? "H.LOG" : "H.LOG1", log}});
    if (!recovered || !recovered->wasDirty) {
        std::fprintf(stderr, "make-fuzz-corpus: %s does not recover the crashed hive: %s\n", path.c_str(),
                     recovered ? "taken as clean" : recovered.error().ToString().c_str());
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make-fuzz-corpus: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(&naming, 1, 1, file) == 1 && std::fwrite(log.data(), 1, log.size(), file) == log.size();
    return std::fclose(file) == 0 && written;
}

// The log recovery target's first byte: 0 names the log .LOG, 1 names it .LOG1.
bool WriteLogSeeds(const std::string& folder) {
    using kelvara::fuzzing::HiveAfter;
    const std::vector<std::vector<std::uint8_t>> states = {HiveAfter(0), HiveAfter(1), HiveAfter(2), HiveAfter(3)};
    return WriteSeed(folder + "/dirty-vector.log", 0, WriteDirtyVectorLog(states[0], states[1])) &&
           WriteSeed(folder + "/three-entries.log1", 1, WriteLogEntries(states)) &&
           WriteSeed(folder + "/one-entry.log1", 1, WriteLogEntries({states[0], states[1]}));
}

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-fuzz-corpus FOLDER [LOG_FOLDER]\n");
        return 2;
    }
    if (argc == 3 && !WriteLogSeeds(argv[2])) return 1;
    const std::string folder = argv[1];
    std::vector<Seed> seeds;

    seeds.push_back({"minimal-v1.5.hive", Key("ROOT"), {}});

    {
        KeySpec root = Key("ROOT", {}, {EveryValueKind(), Key("Sub", {}, {Key("Deeper", {}, {Key("Deepest")})})});
        root.security = SecurityDescriptor(0x20);
        root.subkeys[1].security = SecurityDescriptor(0x21);
        BuildOptions v13;
        v13.minorVersion = 3;
        seeds.push_back({"values-v1.3-lf.hive", root, v13});
        seeds.push_back({"values-v1.5-lh.hive", root, {}});
    }
    {
        KeySpec root = Key("ROOT");
        for (int i = 0; i < 24; ++i) root.subkeys.push_back(Key("Key" + std::to_string(i), {{"v", 4, Dword(i)}}));
        BuildOptions options;
        options.indexLeaves = true;
        options.maxLeafElements = 5;
        seeds.push_back({"index-root-li.hive", root, options});
        BuildOptions hashed;
        hashed.maxLeafElements = 6;
        seeds.push_back({"index-root-lh.hive", root, hashed});
    }
    {
        std::vector<std::uint8_t> big(20000);
        for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
        seeds.push_back({"big-data.hive", Key("ROOT", {{"Big", 3, big}}), {}});
    }
    {
        KeySpec root = Key("ROOT");
        for (int i = 0; i < 12; ++i) {
            root.subkeys.push_back(Key("Settings" + std::to_string(i), {{"Path", 1, Utf16z("C:\\Program Files\\App" + std::to_string(i))}, {"Size", 4, Dword(i * 1000)}}));
        }
        BuildOptions options;
        options.fragmentation = 0.3;
        options.seed = 5;
        seeds.push_back({"fragmented.hive", root, options});
        BuildOptions dirty;
        dirty.dirty = true;
        seeds.push_back({"dirty.hive", root, dirty});
    }

    std::size_t total = 0;
    for (const auto& seed : seeds) {
        BuildOptions options = seed.options;
        options.fileName = seed.file;
        const std::string path = folder + "/" + seed.file;
        const auto bytes = BuildBytes(seed.root, options);
        if (!bytes) {
            std::fprintf(stderr, "make-fuzz-corpus: %s: %s\n", seed.file, bytes.error().ToString().c_str());
            return 1;
        }
        const Status written = BuildFile(seed.root, options, path);
        if (!written) {
            std::fprintf(stderr, "make-fuzz-corpus: %s: %s\n", path.c_str(), written.error().ToString().c_str());
            return 1;
        }
        total += bytes.value().size();
        std::printf("%-28s %7zu bytes\n", seed.file, bytes.value().size());
    }
    std::printf("%zu seeds, %zu bytes\n", seeds.size(), total);
    return 0;
}
