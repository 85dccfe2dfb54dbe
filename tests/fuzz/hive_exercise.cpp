#include "hive_exercise.h"

#include <algorithm>
#include <vector>

#include "regf/compactor.h"
#include "regf/hive_file_impl.h"
#include "regf/regf.h"

namespace kelvara::fuzz {

namespace {

// Enough to reach every key of a small hive; a mutated count may promise millions.
constexpr std::size_t kMaxKeys = 20000;

// A fingerprint of the tree: names, times, classes and values (in stored order) of every key.
// Subkeys count as a set: a damaged hive may list them out of order, and the compactor
// rightly writes them sorted.
struct Fnv {
    std::uint64_t hash = 1469598103934665603ull;
    void Add(const void* bytes, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        for (std::size_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    }
    void Add(const std::string& s) {
        const std::uint64_t n = s.size();
        Add(&n, sizeof n);
        Add(s.data(), s.size());
    }
    template <class T>
    void AddValue(T v) { Add(&v, sizeof v); }
};

struct Walk {
    std::size_t keys = 0;
    bool complete = true;        // false when the walk hit an error or the key limit
    bool lookupFailed = false;   // a subkey from the enumeration not found again by its name

    std::uint64_t Key(const regf::KeyView& key) {
        Fnv f;
        if (++keys > kMaxKeys) {
            complete = false;
            return 0;
        }
        f.Add(key.Name());
        f.AddValue(key.LastWritten());
        const auto className = key.ClassName();
        if (className) f.Add(className.value());
        else complete = false;
        const auto values = key.Values();
        if (values) {
            for (const auto& v : values.value()) {
                f.Add(v.name);
                f.AddValue(v.type);
                f.Add(v.data.data(), v.data.size());
            }
        } else {
            complete = false;
        }
        const auto subkeys = key.Subkeys();
        if (!subkeys) {
            complete = false;
            return f.hash;
        }
        std::vector<std::uint64_t> children;
        std::size_t looked = 0;
        for (const auto& child : subkeys.value()) {
            // Lookups by name must find what the enumeration gave (a few per key: each is a
            // search of its own).
            if (looked++ < 16) {
                const auto found = key.Subkey(child.Name());
                if (!found || !found.value() || found.value()->CellOffset() != child.CellOffset()) {
                    lookupFailed = true;
                }
            }
            children.push_back(Key(child));
            if (keys > kMaxKeys) return f.hash;
        }
        std::sort(children.begin(), children.end());
        for (auto h : children) f.AddValue(h);
        return f.hash;
    }
};

struct Digest {
    std::uint64_t hash = 0;
    std::size_t keys = 0;
    bool complete = true;
    bool lookupFailed = false;
};

// Keeps a streamed hive in memory.
class MemorySink : public regf::HiveSink {
public:
    regf::Status Append(std::span<const std::uint8_t> bytes) override {
        file.insert(file.end(), bytes.begin(), bytes.end());
        return regf::Done{};
    }
    regf::Status Patch(std::uint64_t at, std::span<const std::uint8_t> bytes) override {
        if (at + bytes.size() > file.size()) return regf::Error{"a patch past the end", at};
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        return regf::Done{};
    }
    std::vector<std::uint8_t> file;
};

// The compaction streamed through a window small enough to send bins and patch them, with
// reading and writing on two threads: it must agree with the one in memory, bytes or error.
std::string CompareStreamed(const regf::HiveFile& hive, const regf::Result<std::vector<std::uint8_t>>& inMemory) {
    MemorySink sink;
    auto streamed = regf::CompactHiveTo(hive, {}, nullptr, sink, 8192, regf::Overlap::Always);
    if (inMemory.ok() != streamed.ok()) return "the streamed compaction and the one in memory disagree on success";
    if (!streamed.ok()) {
        if (streamed.error().message != inMemory.error().message)
            return "the streamed compaction failed otherwise: " + streamed.error().message + " / " + inMemory.error().message;
        return "";
    }
    if (sink.file != inMemory.value()) return "the streamed compaction wrote other bytes";
    return "";
}

// Compacting a file checks each bin only when the walk reaches it. Wherever the hive opens
// checked whole, that must give the same bytes or the same refusal; where it alone gets
// through, its copy must still be sound.
std::string CompareCheckedAsReached(const std::uint8_t* data, std::size_t size,
                                    const regf::Result<regf::HiveFile>& checkedWhole) {
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(data, data + size);
    auto hive = regf::OpenHiveView(*bytes, bytes, nullptr, regf::CellCheck::AsReached);
    if (checkedWhole && !hive) return "a hive that opens checked whole does not open checked as reached";
    if (!hive) return "";
    MemorySink sink;
    auto streamed = regf::CompactHiveTo(hive.value(), {}, nullptr, sink, 8192, regf::Overlap::Always);
    if (checkedWhole) {
        auto inMemory = regf::CompactBytes(checkedWhole.value());
        if (inMemory.ok() != streamed.ok()) return "checked as reached and checked whole disagree on success";
        if (streamed && sink.file != inMemory.value()) return "checked as reached, the compaction wrote other bytes";
        return "";
    }
    if (!streamed) return "";
    auto reopened = regf::HiveFile::FromBytes(sink.file);
    if (!reopened) return "a copy made checking bins as reached cannot be read: " + reopened.error().ToString();
    if (!regf::Check(reopened.value()).sound) return "a copy made checking bins as reached is not sound";
    return "";
}

Digest TreeOf(const regf::HiveFile& hive) {
    Digest digest;
    const auto root = hive.Root();
    if (!root) {
        digest.complete = false;
        return digest;
    }
    Walk walk;
    digest.hash = walk.Key(root.value());
    digest.keys = walk.keys;
    digest.complete = walk.complete;
    digest.lookupFailed = walk.lookupFailed;
    return digest;
}

}  // namespace

std::string ExerciseHive(const std::uint8_t* data, std::size_t size) {
    auto opened = regf::HiveFile::FromBytes(std::vector<std::uint8_t>(data, data + size));
    if (auto problem = CompareCheckedAsReached(data, size, opened); !problem.empty()) return problem;
    if (!opened) {
        if (opened.error().message.empty()) return "a refused hive came with an empty message";
        return "";
    }
    const regf::HiveFile& hive = opened.value();
    const Digest original = TreeOf(hive);
    const regf::CheckReport report = regf::Check(hive);
    (void)report.Text();
    if (report.sound && !report.problems.empty()) return "a sound hive with problems listed";
    if (report.sound && original.lookupFailed) return "a subkey of a sound hive is not found by its own name";

    regf::CompactStats stats;
    auto compacted = regf::CompactBytes(hive, &stats);
    if (auto problem = CompareStreamed(hive, compacted); !problem.empty()) return problem;
    if (!compacted) {
        if (report.sound && !hive.IsDirty()) {
            return "the checker found the hive sound but compacting it failed: " + compacted.error().ToString();
        }
        return "";
    }
    if (hive.IsDirty()) return "a dirty hive was compacted";
    if (compacted.value().size() != stats.outputSize) return "CompactStats.outputSize differs from the bytes written";

    auto reopened = regf::HiveFile::FromBytes(compacted.value());
    if (!reopened) return "the compacted hive cannot be read: " + reopened.error().ToString();
    const regf::CheckReport after = regf::Check(reopened.value());
    if (!after.sound) {
        return "the compacted hive is not sound: " + (after.problems.empty() ? std::string("(no problem listed)") : after.problems.front());
    }
    const Digest copy = TreeOf(reopened.value());
    if (original.complete && (copy.hash != original.hash || copy.keys != original.keys)) {
        return "the compacted hive holds other keys or values than the original";
    }
    auto again = regf::CompactBytes(reopened.value());
    if (!again) return "compacting the compacted hive failed: " + again.error().ToString();
    if (again.value() != compacted.value()) return "compacting the compacted hive changed its bytes";
    return "";
}

}  // namespace kelvara::fuzz
