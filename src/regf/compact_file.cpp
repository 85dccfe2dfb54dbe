// Compacting a hive file into another file: map (or read) the input, stream the compacted copy
// to a temporary name and rename it into place, so `output` is either complete or untouched.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

#include "common/file_faults.h"
#include "regf/native_path.h"
#include "regf/base_block.h"
#include "regf/compactor.h"
#include "regf/errors.h"
#include "regf/file_sink.h"
#include "regf/hive_file_impl.h"
#include "regf/hive_writer.h"
#include "regf/input_file.h"

namespace kelvara::regf {

namespace {

// The output kept in memory while the rest streams to the file: enough that a key's subkey list
// rarely lands after the key itself has gone out, small enough to stay in the cache. A small
// hive gets a smaller window: every page of it is fresh memory the system must clear first.
// Never less than twice the bins the writer keeps open, so each send moves little down. (A
// run of sending more, as the writer's rule for sends has it, made the smallest hives slower:
// the fresh pages cost more than the moves they spare.)
std::size_t OutputWindowFor(std::size_t inputBytes) {
    constexpr std::size_t kSmallest = 2 * HiveWriter::kOpenBinReach * kHiveBinAlignment;
    constexpr std::size_t kLargest = 256 << 10;
    return std::clamp(inputBytes / 8, kSmallest, kLargest);
}

// Measured: written in one go, an 11 MB copy took 0.5 ms less with room set aside, a 1.4 MB one
// no less, and a 0.4 MB hive's whole compaction became slower.
constexpr std::size_t kRoomAsideFromBytes = 4 << 20;

bool Cancelled(const CompactOptions& options) { return options.cancel && options.cancel->load(); }

Error Cancelled() { return MakeError(0, "compaction cancelled"); }

Status Replace(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(NativePath(from), NativePath(to), error);
    if (error) {
        // Some platforms will not rename onto an existing file.
        if (std::filesystem::remove(NativePath(to), error))
            common::ObserveFileOperation(common::FileOperation::Kind::Remove, to);
        std::filesystem::rename(NativePath(from), NativePath(to), error);
    }
    if (error) return MakeError(0, "cannot rename \"" + from + "\" to \"" + to + "\": " + error.message());
    common::ObserveFileOperation(common::FileOperation::Kind::Rename, from, to);
    return Done{};
}

bool NeedsRecovery(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBaseBlockSize) return false;
    BaseBlockHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    return header.primary_sequence_number != header.secondary_sequence_number || !ChecksumProblem(header).empty();
}

}  // namespace

Result<CompactStats> Compact(const std::string& input, const std::string& output, const CompactOptions& options) {
    if (Cancelled(options)) return Cancelled();
    auto file = InputFile::Open(input, options.cancel);
    if (!file && Cancelled(options)) return Cancelled();
    if (!file) return file.error();
    std::shared_ptr<InputFile> source = std::move(file.value());
    // A hive that changes while it is compacted gives a copy of neither version; that is
    // reported in place of whatever it made go wrong.
    auto changed = [&] { return MakeError(0, "hive file \"" + input + "\" changed while it was being compacted"); };

    // A dirty hive's last write lies in its logs: the hive recovered from them in memory is
    // what gets compacted, so the copy needs no log. The recovery reads the file itself, so
    // a copy read here is let go first.
    std::optional<Recovery> recovered;
    if (options.recoverFromLogs && NeedsRecovery(source->Bytes())) {
        source->ReleaseCopy();
        auto recovery = RecoverHiveFile(input);
        if (!recovery) return recovery.error();
        recovered = std::move(recovery.value());
        if (options.recovery) {
            // Everything but the hive itself, which may be large.
            std::vector<std::uint8_t> bytes = std::move(recovered->bytes);
            *options.recovery = *recovered;
            recovered->bytes = std::move(bytes);
        }
    }
    const std::size_t inputBytes = recovered ? recovered->bytes.size() : source->Bytes().size();
    // The walk reaches nearly every bin: each is checked when first reached, not in a pass of
    // its own beforehand.
    std::shared_ptr<const void> owner = source;
    std::span<const std::uint8_t> bytes = source->Bytes();
    if (recovered) {
        auto held = std::make_shared<std::vector<std::uint8_t>>(std::move(recovered->bytes));
        bytes = *held;
        owner = held;
    }
    auto hive = OpenHiveView(bytes, owner, options.cancel, CellCheck::AsReached);
    if (!hive && Cancelled(options)) return Cancelled();
    if (!hive && source->Changed()) return changed();
    if (!hive) return Error{"\"" + input + "\": " + hive.error().message, hive.error().offset};
    const std::string temporary = output + ".kvtmp";
    auto fail = [&](Error error) {
        std::error_code ignored;
        if (std::filesystem::remove(NativePath(temporary), ignored))
            common::ObserveFileOperation(common::FileOperation::Kind::Remove, temporary);
        return error;
    };
    FileSink sink(temporary, options.cancel);
    if (auto open = sink.Open(); !open) return open.error();
    // The copy is smaller than the input but for a hive with no free space to drop. Setting
    // room aside costs the system a little up front, which only a larger file earns back.
    if (inputBytes >= kRoomAsideFromBytes) sink.SetRoomAside(inputBytes);
    CompactStats stats;
    auto compacted = CompactHiveTo(*hive, options, &stats, sink, OutputWindowFor(inputBytes));
    if (compacted) compacted = sink.Close();
    if (!compacted) {
        sink.Close();
        if (Cancelled(options)) return fail(Cancelled());
        if (source->Changed()) return fail(changed());
        // The sink's errors name the output file already; the rest are about the input.
        if (sink.Failed()) return fail(compacted.error());
        return fail(Error{"\"" + input + "\": " + compacted.error().message, compacted.error().offset});
    }
    if (source->Changed()) return fail(changed());
    if (auto replaced = Replace(temporary, output); !replaced) return fail(replaced.error());
    return stats;
}

}  // namespace kelvara::regf
