// Checks a hive the way a careful reader would before trusting it: the structure of every
// reachable cell, the counts and links between them, and that no allocated cell is left
// unreachable. Problems are collected rather than stopping at the first, so one run tells
// the whole story.
#include <cstdio>
#include <filesystem>
#include <map>
#include <iterator>
#include <set>

#include "regf/native_path.h"
#include "regf/big_data.h"
#include "regf/class_name.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"
#include "regf/key_node.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/security_key.h"
#include "regf/subkey_list.h"
#include "regf/value_list.h"

namespace kelvara::regf {

namespace {

constexpr std::size_t kMaxProblemLines = 200;
constexpr std::size_t kMaxLeakLines = 20;

class Checker {
public:
    explicit Checker(const HiveFile& hive)
        : impl_(ImplOf(hive)), cells_(impl_.cells), reached_(cells_.HiveBinsSize() / kCellAlignment, false) {}

    CheckReport Run() {
        CheckBaseBlock();
        std::uint32_t root = impl_.baseBlock.root_cell_offset;
        CheckKey(root, root, 0, "");
        CheckSecurityList();
        CheckCells();
        NoteOtherTables();
        if (omitted_ > 0) report_.problems.push_back("... and " + std::to_string(omitted_) + " more problems");
        report_.sound = report_.problems.empty() && !report_.dirty;
        return std::move(report_);
    }

private:
    void Problem(const std::string& line) {
        if (report_.problems.size() < kMaxProblemLines) report_.problems.push_back(line);
        else ++omitted_;
    }
    void Untidy(const std::string& line) {
        if (report_.untidiness.size() < kMaxProblemLines) report_.untidiness.push_back(line);
    }
    void Problem(const std::string& path, const Error& error) {
        Problem((path.empty() ? std::string("root key") : "key " + path) + ": " + error.ToString());
    }

    // Marks a cell as reached; a cell reached twice is shared or part of a cycle.
    bool Reach(std::uint32_t offset, const char* structure, const std::string& path) {
        std::size_t unit = offset / kCellAlignment;
        if (unit >= reached_.size()) return false;
        if (reached_[unit]) {
            Problem(path, CellError(structure, offset, "reached a second time (shared with another structure, or a cycle)"));
            return false;
        }
        reached_[unit] = true;
        return true;
    }

    void CheckBaseBlock() {
        const auto& base = impl_.baseBlock;
        if (!impl_.checksumProblem.empty()) {
            report_.dirty = true;
            Problem(impl_.checksumProblem + " at offset " + Hex(offsetof(BaseBlockHeader, checksum)));
        }
        if (base.primary_sequence_number != base.secondary_sequence_number) {
            report_.dirty = true;
            Problem("base block: sequence numbers differ (primary " + std::to_string(base.primary_sequence_number) +
                    ", secondary " + std::to_string(base.secondary_sequence_number) +
                    "): the hive is dirty, its last write did not finish, at offset " +
                    Hex(offsetof(BaseBlockHeader, primary_sequence_number)));
        }
    }

    void CheckKey(std::uint32_t offset, std::uint32_t parent, std::uint32_t depth, const std::string& parentPath) {
        if (depth > kMaxKeyDepth) {
            Problem(parentPath, CellError("key node", offset, "nested deeper than " + std::to_string(kMaxKeyDepth) + " levels"));
            return;
        }
        auto node = ReadKeyNode(cells_, offset);
        if (!node) return Problem(parentPath, node.error());
        if (!Reach(offset, "key node", parentPath)) return;
        // The path grows in one buffer that every level shares: no string is built per key.
        const std::size_t parentLength = path_.size();
        if (depth > 0) {
            path_ += '\\';
            AppendUtf8(path_, node->Stored());
        }
        const std::string& path = path_;
        if (depth > 0 && node->header.parent != parent)
            Problem(path, CellError("key node", offset, "parent is " + Hex(node->header.parent) + ", expected " + Hex(parent)));

        std::uint32_t classCell = kNoCell;
        auto className = ReadClassName(cells_, *node, &classCell);
        if (!className) Problem(path, className.error());
        else if (classCell != kNoCell) Reach(classCell, "class name", path);

        auto security = ReadKeySecurity(cells_, node->header.key_security_offset);
        if (!security) Problem(path, security.error());
        else ++securityUses_[security->offset];

        CheckValues(*node, path);
        CheckSubkeys(*node, depth, path);
        path_.resize(parentLength);
    }

    void CheckValues(const KeyNode& node, const std::string& path) {
        std::uint32_t count = node.header.number_of_key_values;
        if (count == 0) return;
        std::uint32_t listOffset = node.header.key_values_list_offset;
        auto list = ReadValueList(cells_, listOffset, count);
        if (!list) return Problem(path, list.error());
        if (!Reach(listOffset, "key values list", path)) return;
        // The names are compared where they are stored, once all are read.
        valueNames_.clear();
        valueOffsets_.clear();
        for (std::uint32_t offset : *list) {
            auto value = ReadKeyValue(cells_, offset);
            if (!value) {
                Problem(path, value.error());
                continue;
            }
            if (!Reach(offset, "key value", path)) continue;
            valueNames_.push_back(value->Stored());
            valueOffsets_.push_back(offset);
            std::vector<std::uint32_t> dataCells;
            auto data = ReadValueData(cells_, *value, impl_.baseBlock.minor_version, &dataCells);
            if (!data) {
                Problem(path, data.error());
                continue;
            }
            for (auto cell : dataCells) Reach(cell, "value data", path);
            if (IsBigData(*value)) WarnOfShortSegments(*value, dataCells, path);
        }
        CheckValueNamesUnique(path);
    }

    void CheckValueNamesUnique(const std::string& path) {
        for (;;) {
            const std::size_t count = valueNames_.size();
            const std::size_t repeated = FirstRepeatedName(count, [&](std::size_t i) { return valueNames_[i]; }, nameSlots_);
            if (repeated == count) return;
            Problem(path, CellError("key value", valueOffsets_[repeated],
                                    "a second value named \"" + Utf16ToUtf8(valueNames_[repeated].Decode()) + "\""));
            // Told once; the rest of the list is looked at without it.
            valueNames_.erase(valueNames_.begin() + static_cast<std::ptrdiff_t>(repeated));
            valueOffsets_.erase(valueOffsets_.begin() + static_cast<std::ptrdiff_t>(repeated));
        }
    }

    bool IsBigData(const KeyValue& value) const {
        return impl_.baseBlock.minor_version >= kBigDataMinMinorVersion && !value.Resident() &&
               value.DataSize() > kBigDataSegmentSize;
    }

    // Windows gives every segment of a big value a full cell. hivex, reglookup, libregf and
    // Parse::Win32Registry take a segment's length from its cell, so a shorter one, though
    // sound, makes them read the value short or empty (LAYOUT.md).
    void WarnOfShortSegments(const KeyValue& value, const std::vector<std::uint32_t>& dataCells,
                             const std::string& path) {
        // ReadBigData lists the header cell and the segment list before the segments.
        constexpr std::size_t kFirstSegment = 2;
        const std::size_t segments = dataCells.size() > kFirstSegment ? dataCells.size() - kFirstSegment : 0;
        for (std::size_t i = 0; i < segments; ++i) {
            const std::uint32_t cell = dataCells[kFirstSegment + i];
            const std::uint32_t room = cells_.SizeOfAllocated(cell) - 4;
            if (room >= kBigDataSegmentSize || report_.warnings.size() >= kMaxProblemLines) continue;
            report_.warnings.push_back(
                (path.empty() ? std::string("root key") : "key " + path) + ": value \"" + Utf16ToUtf8(value.Name()) +
                "\" (" + std::to_string(value.DataSize()) + " bytes): big data segment " + std::to_string(i + 1) +
                " of " + std::to_string(segments) + " has a cell of " + std::to_string(room) + " data bytes, not " +
                std::to_string(kBigDataSegmentSize) + "; hivex, reglookup, libregf and Parse::Win32Registry misread the value, at offset " +
                Hex(FileOffsetOf(cell)));
        }
    }

    void CheckSubkeys(const KeyNode& node, std::uint32_t depth, const std::string& path) {
        std::uint32_t count = node.header.number_of_subkeys;
        std::uint32_t listOffset = node.header.subkeys_list_offset;
        // Writers leave a stale list offset behind when the last subkey goes; only the count counts.
        if (count == 0) return;
        if (listOffset == kNoCell)
            return Problem(path, CellError("key node", node.offset, "says " + std::to_string(count) + " subkeys but has no subkey list"));
        auto list = ReadSubkeyListAnyCount(cells_, listOffset);
        if (!list) return Problem(path, list.error());
        for (auto cell : list->cells)
            if (!Reach(cell, "subkey list", path)) return;
        if (list->elements.size() != count)
            Problem(path, CellError("key node", node.offset, "number of subkeys is " + std::to_string(count) +
                                                                 ", its subkey list holds " + std::to_string(list->elements.size())));
        // The subkeys' names, read first and checked as a list: their hashes, then their order.
        if (subkeyNamesAt_.size() <= depth) subkeyNamesAt_.resize(depth + 1);
        std::vector<ListedSubkey>& subkeys = subkeyNamesAt_[depth];
        subkeys.clear();
        for (const auto& element : list->elements) {
            auto child = ReadKeyNode(cells_, element.keyNodeOffset);
            if (!child) {
                Problem(path, child.error());
                continue;
            }
            const StoredName name = child->Stored();
            CheckHashOrHint(element, name, path);
            subkeys.push_back({name, element.keyNodeOffset, element.leafOffset});
        }
        CheckOrder(subkeys, path);
        // Deeper levels have lists of their own: growing the outer vector moves this level's
        // without moving its elements.
        for (std::size_t i = 0; i < subkeyNamesAt_[depth].size(); ++i)
            CheckKey(subkeyNamesAt_[depth][i].keyNodeOffset, node.offset, depth + 1, path);
    }

    struct ListedSubkey {
        StoredName name;
        std::uint32_t keyNodeOffset;
        std::uint32_t leafOffset;
    };

    // A hash that follows another Windows version's table than 7's is sound, as Windows of that
    // version wrote it; one that follows none cannot be found by name.
    void CheckHashOrHint(const SubkeyElement& element, StoredName name, const std::string& path) {
        if (element.form == LeafForm::HashLeaf) {
            const auto table = HashingTable(name, element.check);
            if (!table)
                Problem(path, CellError("hash leaf", element.leafOffset, "hash of \"" + Utf16ToUtf8(name.Decode()) + "\" is " +
                                                                             Hex(element.check) + ", expected " + Hex(NameHash(name))));
            else if (*table != UpcaseTable::Windows7)
                FollowsOtherTable(*table, "hash of", name, path);
        }
        if (element.form == LeafForm::FastLeaf && element.check != NameHint(name))
            Problem(path, CellError("fast leaf", element.leafOffset, "hint of \"" + Utf16ToUtf8(name.Decode()) + "\" is " +
                                                                         Hex(element.check) + ", expected " + Hex(NameHint(name))));
    }

    // Strictly ascending by upper-case name, by one Windows version's table for the whole list.
    // Two names alike but for case are in no order: the second could never be opened.
    void CheckOrder(const std::vector<ListedSubkey>& subkeys, const std::string& path) {
        const auto table = OrderingTable(subkeys.size(), [&](std::size_t i) { return subkeys[i].name; });
        if (table && *table != UpcaseTable::Windows7) FollowsOtherTable(*table, "order of the subkeys from", subkeys[0].name, path);
        if (table) return;
        for (std::size_t i = 1; i < subkeys.size(); ++i) {
            const StoredName previous = subkeys[i - 1].name, name = subkeys[i].name;
            if (CompareNames(previous, name) >= 0)
                Problem(path, CellError("subkey list", subkeys[i].leafOffset, "\"" + Utf16ToUtf8(name.Decode()) + "\" is out of order after \"" +
                                                                                   Utf16ToUtf8(previous.Decode()) + "\""));
        }
    }

    // Sound, but worth saying: the hive follows another table than Windows 7's. Told once per
    // table, with the first place, and counted.
    void FollowsOtherTable(UpcaseTable table, const char* what, StoredName name, const std::string& path) {
        auto& seen = otherTables_[static_cast<std::size_t>(table)];
        if (seen.count++ > 0) return;
        std::string where = path.empty() ? std::string("root key") : "key " + path;
        seen.first = where + ": " + what + " \"" + Utf16ToUtf8(name.Decode()) + "\"";
    }

    void NoteOtherTables() {
        for (UpcaseTable table : kUpcaseTables) {
            const auto& seen = otherTables_[static_cast<std::size_t>(table)];
            if (seen.count == 0) continue;
            report_.notes.push_back(std::to_string(seen.count) + " subkey hashes or orders follow " + UpcaseTableName(table) +
                                    " upper-case table, not Windows 7's; first: " + seen.first);
        }
    }

    // Every descriptor in use must be on the hive's circular list, with each entry's blink
    // naming the one before it and its count matching the keys that use it.
    void CheckSecurityList() {
        if (securityUses_.empty()) return;
        std::uint32_t start = securityUses_.begin()->first;
        std::uint32_t previous = start, current = start;
        std::set<std::uint32_t> onList;
        auto first = ReadKeySecurity(cells_, start);
        if (first) previous = first->header.blink;
        // A sound list has at most one entry per cell; more steps than that is a loop.
        std::size_t limit = cells_.HiveBinsSize() / kCellAlignment;
        for (std::size_t step = 0; step <= limit; ++step) {
            auto security = ReadKeySecurity(cells_, current);
            if (!security) {
                Problem("security list: " + security.error().ToString());
                break;
            }
            if (security->header.blink != previous)
                Problem("security list: " + CellError("key security", current, "blink is " + Hex(security->header.blink) +
                                                                                   ", expected " + Hex(previous)).ToString());
            if (!onList.insert(current).second) {
                Problem("security list: " + CellError("key security", current, "reached twice without returning to the start").ToString());
                break;
            }
            Reach(current, "key security", "");
            std::uint32_t uses = securityUses_.count(current) ? securityUses_[current] : 0;
            std::uint32_t count = security->header.reference_count;
            // Counted too seldom, the descriptor would be freed while keys still use it. Counted too
            // often (volatile keys of a running system, keys deleted by Windows' self-healing), or
            // on the list with no key at all, it only lives longer than it must.
            if (count < uses)
                Problem("security list: " + CellError("key security", current, "reference count is " + std::to_string(count) + ", but " +
                                                                                   std::to_string(uses) + " keys use it").ToString());
            else if (count > uses)
                Untidy(CellError("key security", current, "reference count is " + std::to_string(count) + ", " +
                                                              (uses == 0 ? std::string("no key") : std::to_string(uses) + " keys") +
                                                              " in the file use it").ToString());
            previous = current;
            current = security->header.flink;
            if (current == start) break;
        }
        for (const auto& [offset, uses] : securityUses_) {
            if (onList.count(offset)) continue;
            Problem("security list: " + CellError("key security", offset, "used by " + std::to_string(uses) +
                                                                              " keys but not on the list of descriptors").ToString());
            Reach(offset, "key security", "");   // in use, so not also a leak
        }
    }

    void CheckCells() {
        HiveStats& stats = report_.stats;
        stats.fileSize = impl_.bytes.size();
        stats.hiveBinsBytes = cells_.HiveBinsSize();
        std::size_t leaks = 0;
        std::uint64_t leakedBytes = 0;
        cells_.ForEachCell([&](const Cell& cell) {
            if (!cell.allocated) {
                stats.freeBytes += cell.size;
                return;
            }
            stats.usedBytes += cell.size;
            if (reached_[cell.offset / kCellAlignment]) {
                stats.reachableBytes += cell.size;
                return;
            }
            // Windows leaves such cells behind itself (a recovery from the logs, its self-healing)
            // and loads the hive all the same; nothing reads them.
            ++leaks;
            leakedBytes += cell.size;
            if (leaks <= kMaxLeakLines)
                Untidy(CellError("allocated cell", cell.offset, std::to_string(cell.size) +
                                                                    " bytes that nothing references").ToString());
        });
        if (leaks > kMaxLeakLines)
            Untidy("... " + std::to_string(leaks - kMaxLeakLines) + " more cells that nothing references; " +
                   std::to_string(leaks) + " in all, " + std::to_string(leakedBytes) + " bytes");
    }

    const HiveImpl& impl_;
    const CellSpace& cells_;
    std::vector<bool> reached_;
    std::map<std::uint32_t, std::uint32_t> securityUses_;
    std::string path_;                                      // of the key being checked
    std::vector<StoredName> valueNames_;                    // of the key being checked
    std::vector<std::uint32_t> valueOffsets_;
    std::vector<std::uint32_t> nameSlots_;
    std::vector<std::vector<ListedSubkey>> subkeyNamesAt_;  // per nesting level
    struct OtherTable {
        std::size_t count = 0;
        std::string first;
    };
    OtherTable otherTables_[std::size(kUpcaseTables)];
    CheckReport report_;
    std::size_t omitted_ = 0;
};

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", value);
    return text;
}

}  // namespace

double HiveStats::FragmentationPercent() const {
    if (hiveBinsBytes == 0) return 0.0;
    std::uint64_t reachable = std::min(reachableBytes, hiveBinsBytes);
    return 100.0 * static_cast<double>(hiveBinsBytes - reachable) / static_cast<double>(hiveBinsBytes);
}

CheckReport Check(const HiveFile& hive) {
    Checker checker(hive);
    return checker.Run();
}

CheckReport CheckFile(const std::string& path) {
    auto hive = HiveFile::Open(path);
    if (hive) return Check(*hive);
    CheckReport report;
    report.problems.push_back(hive.error().ToString());
    std::error_code error;
    auto size = std::filesystem::file_size(NativePath(path), error);
    if (!error) report.stats.fileSize = size;
    return report;
}

CheckReport CheckFileWithLogs(const std::string& path) {
    auto recovered = RecoverHiveFile(path);
    if (!recovered) {
        CheckReport report = CheckFile(path);
        // A hive that is not dirty never fails recovery: this is why the dirty one cannot load.
        report.problems.push_back(recovered.error().ToString());
        return report;
    }
    if (!recovered->wasDirty) return CheckFile(path);
    Recovery outcome = std::move(recovered.value());
    auto hive = HiveFile::FromBytes(std::move(outcome.bytes));
    CheckReport report;
    if (hive) {
        report = Check(*hive);
    } else {
        report.problems.push_back("after recovery from the logs: " + hive.error().ToString());
    }
    std::string used;
    for (const auto& name : outcome.logsUsed) used += (used.empty() ? "" : ", ") + name;
    report.notes.insert(report.notes.begin(), "dirty hive recovered in memory from " + used + ": " +
                                                  std::to_string(outcome.entriesApplied) + " log entries, " +
                                                  std::to_string(outcome.pagesApplied) + " pages");
    for (const auto& note : outcome.notes) report.notes.push_back("log passed over: " + note);
    return report;
}

std::string CheckReport::Text() const {
    std::string text = "Hive is ";
    text += sound ? "sound" : dirty ? "dirty" : "damaged";
    text += "\n";
    text += "  file size:      " + std::to_string(stats.fileSize) + " bytes\n";
    text += "  hive bins:      " + std::to_string(stats.hiveBinsBytes) + " bytes\n";
    text += "  used cells:     " + std::to_string(stats.usedBytes) + " bytes\n";
    text += "  free cells:     " + std::to_string(stats.freeBytes) + " bytes\n";
    text += "  reachable:      " + std::to_string(stats.reachableBytes) + " bytes\n";
    text += "  fragmentation:  " + Percent(stats.FragmentationPercent()) + "\n";
    if (!problems.empty()) {
        text += "Problems (" + std::to_string(problems.size()) + "):\n";
        for (const auto& line : problems) text += "  " + line + "\n";
    }
    if (!untidiness.empty()) {
        text += "Untidiness (" + std::to_string(untidiness.size()) + "), left by Windows too and dropped by compaction:\n";
        for (const auto& line : untidiness) text += "  " + line + "\n";
    }
    if (!notes.empty()) {
        text += "Notes:\n";
        for (const auto& line : notes) text += "  " + line + "\n";
    }
    if (!warnings.empty()) {
        text += "Warnings (" + std::to_string(warnings.size()) + "), layouts other readers misread:\n";
        for (const auto& line : warnings) text += "  warning: " + line + "\n";
    }
    return text;
}

}  // namespace kelvara::regf
