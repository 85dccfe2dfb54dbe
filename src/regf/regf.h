// Public face of the registry hive file engine. The engine depends on nothing else in the
// program; the offline platform, kelvara-hive, the sample-installation maker and the
// benchmarks use only what this header declares.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kelvara::regf {

// What went wrong and where: message names the structure and what was expected and found;
// offset is the file offset of the offending bytes (or 0 when it is about the file itself).
struct Error {
    std::string message;
    std::uint64_t offset = 0;
    std::string ToString() const;   // "<message> at offset 0x<hex>"
};

template <class T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(v_); }
private:
    std::variant<T, Error> v_;
};

struct Done {};
using Status = Result<Done>;

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------

// One value as stored: name (decoded to UTF-8 from either name encoding), type, data bytes.
struct ValueData {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

class HiveFile;
struct HiveImpl;
enum class CellCheck;

// A checked view of one key node of an open hive. Cheap to copy; it shares the hive's bytes,
// so it stays valid even when the HiveFile it came from is moved or destroyed.
class KeyView {
public:
    std::string Name() const;                       // UTF-8
    std::uint64_t LastWritten() const;              // FILETIME
    Result<std::string> ClassName() const;          // empty when the key has none
    Result<std::vector<std::uint8_t>> SecurityDescriptor() const;   // self-relative
    Result<std::vector<KeyView>> Subkeys() const;   // in stored (sorted) order
    Result<std::vector<ValueData>> Values() const;  // in stored order
    // Case-insensitive lookup of a direct subkey / a value by name.
    Result<std::optional<KeyView>> Subkey(const std::string& name) const;
    Result<std::optional<ValueData>> Value(const std::string& name) const;
    std::uint32_t CellOffset() const { return offset_; }

private:
    friend class HiveFile;
    KeyView(std::shared_ptr<const HiveImpl> hive, std::uint32_t offset, std::uint32_t depth)
        : hive_(std::move(hive)), offset_(offset), depth_(depth) {}
    std::shared_ptr<const HiveImpl> hive_;
    std::uint32_t offset_ = 0;
    std::uint32_t depth_ = 0;   // the root is 0; Subkeys refuses to go deeper than 512
};

// A hive file held in memory and validated as it is read. Every offset, length and count is
// checked against the file; a damaged file gives an Error, never a crash.
class HiveFile {
public:
    static Result<HiveFile> Open(const std::string& path);
    static Result<HiveFile> FromBytes(std::vector<std::uint8_t> bytes);

    bool IsDirty() const;                 // the two sequence numbers differ, or the checksum is wrong
    std::uint32_t MinorVersion() const;   // format version 1.<minor>
    std::uint64_t FileSize() const;
    Result<KeyView> Root() const;
    // Walks a backslash-separated path from the root, case-insensitively ("" is the root).
    Result<std::optional<KeyView>> FindKey(const std::string& path) const;

    std::span<const std::uint8_t> Bytes() const;

private:
    friend const HiveImpl& ImplOf(const HiveFile& hive);
    friend Result<HiveFile> OpenHiveImpl(std::shared_ptr<HiveImpl> impl, const std::atomic<bool>* cancel,
                                         CellCheck check);
    std::shared_ptr<const HiveImpl> impl_;
};

// ---------------------------------------------------------------------------------------------
// Recovering a dirty hive from its transaction logs
// ---------------------------------------------------------------------------------------------

// A hive whose last write did not reach its file has that write in its transaction logs:
// "<hive>.LOG" with a dirty-page vector (Windows XP to 7), or "<hive>.LOG1" and "<hive>.LOG2"
// with log entries (Windows 8.1 and later). Recovery applies them in memory as Windows does when
// it loads the hive; neither the hive nor a log is ever written.
struct LogFile {
    std::string name;                  // for messages: the path, or a name in tests
    std::vector<std::uint8_t> bytes;
};

struct Recovery {
    std::vector<std::uint8_t> bytes;     // the hive as Windows has it after the recovery
    bool wasDirty = false;               // false: the hive needed nothing and is returned as is
    std::vector<std::string> logsUsed;   // the names of the logs whose content was applied
    std::uint32_t entriesApplied = 0;    // log entries, or 1 for a dirty-page vector
    std::uint32_t pagesApplied = 0;
    // Logs or entries passed over and why (an older log, a log cut short, a bad hash).
    std::vector<std::string> notes;
};

// The logs beside a hive, as Windows names them, matched in any letter case: .LOG, .LOG1, .LOG2.
std::vector<std::string> FindLogFiles(const std::string& hivePath);
// Recovers `primary` from `logs` when it is dirty. An Error says why a dirty hive cannot be
// recovered (no log, no log that follows its last write, damaged logs) with the log and offset.
Result<Recovery> RecoverHive(std::vector<std::uint8_t> primary, const std::vector<LogFile>& logs);
// The same for a hive file and the logs found beside it.
Result<Recovery> RecoverHiveFile(const std::string& hivePath);

// Writing logs as Windows does, so that the tests and the sample installation have dirty hives
// to recover. `before` is the hive as its file holds it, `after` the hive its last write made;
// a 4096-byte block of the hive bins that differs is logged.
std::vector<std::uint8_t> WriteDirtyVectorLog(const std::vector<std::uint8_t>& before,
                                              const std::vector<std::uint8_t>& after);
// One log entry per step from states[i] to states[i + 1]; the first carries the secondary
// sequence number of states[0], each next one more.
std::vector<std::uint8_t> WriteLogEntries(const std::vector<std::vector<std::uint8_t>>& states);

// ---------------------------------------------------------------------------------------------
// Compacting
// ---------------------------------------------------------------------------------------------

struct CompactOptions {
    // Set by another thread to stop; the compactor notices within 50 ms, deletes its partial
    // output and returns an Error whose message says it was cancelled.
    const std::atomic<bool>* cancel = nullptr;
    // Called now and then with the bytes of the input processed so far and the total.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    // A dirty input is recovered in memory from the logs beside it (see RecoverHive) and the
    // recovered hive compacted; without this a dirty input is refused.
    bool recoverFromLogs = false;
    // Set when recoverFromLogs was used: what the recovery applied.
    Recovery* recovery = nullptr;
};

// reachableBytes (here and in HiveStats) is the sum of the sizes of the cells that hold the
// hive's content, size fields included, without bin headers or free space. The smallest file
// that can hold them is PackedHiveSize(reachableBytes): the base block plus 4096-byte bins,
// each losing 32 bytes to its header. A compacted hive is that size or a little more: a bin
// ends with a few free bytes when no remaining cell fits its tail, and a cell larger than a
// bin gets a bin of its own rounded up to 4096. Compacting does not change the content, but
// it does shrink cells the input had allocated larger than needed, so the output's
// reachableBytes can be below the input's. Big data segments are the exception: each is
// written in a full-size cell, as Windows writes them, so an input that had a short last
// segment gives a copy up to a segment larger.
std::uint64_t PackedHiveSize(std::uint64_t reachableBytes);

struct CompactStats {
    std::uint64_t inputSize = 0;       // bytes of the input file
    std::uint64_t outputSize = 0;      // bytes written
    std::uint64_t reachableBytes = 0;  // sum of the sizes of the cells written (see above)
    std::uint32_t keys = 0;
    std::uint32_t values = 0;
    std::uint32_t securityDescriptors = 0;
};

// Writes a new hive holding exactly the reachable content of the input. Refuses a dirty or
// damaged input with an Error, and an input that another process changes meanwhile ("changed
// while it was being compacted"). The output is written to a temporary name beside `output`
// and renamed into place only when complete.
Result<CompactStats> Compact(const std::string& input, const std::string& output,
                             const CompactOptions& options = {});
// The same from memory to memory (used by tests and the fuzz target).
Result<std::vector<std::uint8_t>> CompactBytes(const HiveFile& hive, CompactStats* stats = nullptr);

// ---------------------------------------------------------------------------------------------
// Checking
// ---------------------------------------------------------------------------------------------

struct HiveStats {
    std::uint64_t fileSize = 0;
    std::uint64_t usedBytes = 0;       // allocated cells
    std::uint64_t freeBytes = 0;       // free cells
    std::uint64_t reachableBytes = 0;  // allocated cells reachable from the root (see above)
    std::uint64_t hiveBinsBytes = 0;   // the hive bins, their headers included
    double FragmentationPercent() const;   // share of the hive bins not holding reachable cells
};

// What a check finds falls in two kinds. Damage could make Windows or another reader fail, read a
// wrong value or lose a key; untidiness is what Windows itself leaves in hives it writes and
// loads without complaint (allocated cells that nothing references, security descriptors counted
// more often than keys use them). Untidiness never makes a hive unsound, and compaction drops it.
struct CheckReport {
    bool sound = false;   // no damage and not dirty: structure valid, links and counts right
    bool dirty = false;
    std::vector<std::string> problems;   // damage, one line each, with offsets
    std::vector<std::string> untidiness; // one line each, with offsets
    // What the check did besides looking (the logs a dirty hive was recovered from, logs
    // passed over); neither damage nor untidiness.
    std::vector<std::string> notes;
    // Layouts that do not make the hive unsound but that a known independent reader misreads
    // (a big value's data segment in a cell shorter than a full segment, say): a hive meant to
    // be shipped should not have them. One line each, with the key, the value and the offset.
    std::vector<std::string> warnings;
    HiveStats stats;
    std::string Text() const;            // readable report for people
};

CheckReport Check(const HiveFile& hive);
CheckReport CheckFile(const std::string& path);   // an unreadable file is a report, not a throw
// The same, a dirty hive first recovered from the logs beside it; the report's notes say what
// was applied, its problems why a recovery failed.
CheckReport CheckFileWithLogs(const std::string& path);

// ---------------------------------------------------------------------------------------------
// Building (tests, the sample installation, benchmarks)
// ---------------------------------------------------------------------------------------------

struct ValueSpec {
    std::string name;   // UTF-8; "" is the default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

struct KeySpec {
    std::string name;        // UTF-8
    std::string className;   // "" for none
    std::uint64_t lastWritten = 0;
    // Self-relative security descriptor; empty takes the parent's (the root takes a default).
    std::vector<std::uint8_t> security;
    std::vector<ValueSpec> values;
    std::vector<KeySpec> subkeys;
};

struct BuildOptions {
    std::uint32_t minorVersion = 5;   // 3 (lf lists) or 5 (lh lists)
    std::string fileName;             // stored in the base block (UTF-16, last 31 characters)
    // Free space to leave as real hives have it: deleted subtrees, values that grew and moved.
    // 0 gives a packed hive; 0.25 leaves about a quarter of the hive bins free.
    double fragmentation = 0.0;
    std::uint32_t seed = 1;           // the same seed and tree give the same bytes
    bool dirty = false;               // leave the sequence numbers unequal
    // For exercising every subkey list form: write "li" leaves (as the oldest writers did)
    // instead of the version's "lf"/"lh", and split lists longer than maxLeafElements (0: as
    // many as fill one bin) under an "ri" index root.
    bool indexLeaves = false;
    std::uint32_t maxLeafElements = 0;
};

Result<std::vector<std::uint8_t>> BuildBytes(const KeySpec& root, const BuildOptions& options);
Status BuildFile(const KeySpec& root, const BuildOptions& options, const std::string& path);

// Value-data helpers for building trees: REG_SZ / REG_EXPAND_SZ as UTF-16LE with terminating zero,
// REG_MULTI_SZ, REG_DWORD, REG_QWORD.
std::vector<std::uint8_t> Utf16z(const std::string& utf8);
std::vector<std::uint8_t> MultiSz(const std::vector<std::string>& utf8);
std::vector<std::uint8_t> Dword(std::uint32_t v);
std::vector<std::uint8_t> Qword(std::uint64_t v);
// Decodes REG_SZ-style UTF-16LE data up to the first zero, as UTF-8.
std::string FromUtf16(const std::vector<std::uint8_t>& data);

}  // namespace kelvara::regf
