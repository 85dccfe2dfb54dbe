#include "big_hive.h"

#include <string>
#include <vector>

namespace kelvara::bench {

namespace {

constexpr double kFragmentation = 0.20;

// splitmix64: the same hive on every run.
struct Random {
    std::uint64_t state;
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
};

// Cell sizes as the hive lays them out: a 4-byte size field, then the record, to a multiple
// of 8. Good enough to aim at a file size.
std::uint64_t CellSize(std::uint64_t record) { return (4 + record + 7) / 8 * 8; }

std::string Name(Random& random, const char* prefix, std::uint32_t index) {
    static const char* words[] = {"Alpha", "Brisk", "Cobalt", "Delta", "Ember", "Fjord", "Gale",
                                  "Harbor", "Indigo", "Juniper", "Kestrel", "Lumen"};
    return std::string(prefix) + words[random.Below(12)] + std::to_string(index);
}

}  // namespace

regf::Status BuildBigHive(const std::string& path, std::uint64_t targetBytes) {
    Random random{2026};
    const std::uint64_t contentTarget = static_cast<std::uint64_t>(targetBytes * (1.0 - kFragmentation));
    std::uint64_t estimate = 4096;
    regf::KeySpec root;
    root.name = "ROOT";
    for (std::uint32_t v = 0; estimate < contentTarget; ++v) {
        regf::KeySpec vendor;
        vendor.name = Name(random, "Vendor", v);
        estimate += CellSize(0x4C + vendor.name.size());
        for (std::uint32_t p = 0; p < 40 && estimate < contentTarget; ++p) {
            regf::KeySpec product;
            product.name = Name(random, "Product", p);
            product.className = p % 7 == 0 ? "Settings" : "";
            estimate += CellSize(0x4C + product.name.size()) + CellSize(8 * 40) + CellSize(product.className.size() * 2);
            for (std::uint32_t s = 0; s < 60; ++s) {
                regf::KeySpec section;
                section.name = Name(random, "Section", s);
                section.lastWritten = 133170048000000000ull + random.Next() % 600000000000000ull;
                estimate += CellSize(0x4C + section.name.size());
                const std::uint32_t values = 2 + random.Below(12);
                estimate += CellSize(4 * values);
                for (std::uint32_t i = 0; i < values; ++i) {
                    regf::ValueSpec value;
                    value.name = Name(random, "Value", i);
                    switch (random.Below(4)) {
                    case 0:
                        value.type = 4;
                        value.data = regf::Dword(static_cast<std::uint32_t>(random.Next()));
                        break;
                    case 1:
                        value.type = 1;
                        value.data = regf::Utf16z(Name(random, "C:\\Program Files\\", i));
                        break;
                    default:
                        value.type = 3;
                        value.data.resize(16 + random.Below(400));
                        for (auto& b : value.data) b = static_cast<std::uint8_t>(random.Next());
                        break;
                    }
                    estimate += CellSize(0x14 + value.name.size()) + (value.data.size() > 4 ? CellSize(value.data.size()) : 0);
                    section.values.push_back(std::move(value));
                }
                product.subkeys.push_back(std::move(section));
            }
            if (p == 0) {
                // One big value per vendor, so big data is part of the load.
                regf::ValueSpec blob{"Blob", 3, std::vector<std::uint8_t>(40000 + random.Below(60000))};
                for (auto& b : blob.data) b = static_cast<std::uint8_t>(random.Next());
                estimate += CellSize(blob.data.size()) + 64;
                product.values.push_back(std::move(blob));
            }
            vendor.subkeys.push_back(std::move(product));
        }
        root.subkeys.push_back(std::move(vendor));
    }
    regf::BuildOptions options;
    options.fileName = "\\??\\C:\\bench\\big.hive";
    options.fragmentation = kFragmentation;
    options.seed = 7;
    return regf::BuildFile(root, options, path);
}

}  // namespace kelvara::bench
