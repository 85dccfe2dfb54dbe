// Compacting a hive file into another file: map (or read) the input, compact it, write under a
// temporary name and rename into place, so `output` is either complete or untouched.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "regf/compactor.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"
#include "regf/input_file.h"

namespace kelvara::regf {

namespace {

constexpr std::size_t kChunk = 1 << 20;   // checking for cancel between chunks keeps it prompt

bool Cancelled(const CompactOptions& options) { return options.cancel && options.cancel->load(); }

Error Cancelled() { return MakeError(0, "compaction cancelled"); }

Status WriteOutput(const std::string& path, const std::vector<std::uint8_t>& bytes, const CompactOptions& options) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return MakeError(0, "cannot create \"" + path + "\"");
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        if (Cancelled(options)) return Cancelled();
        std::size_t n = std::min(kChunk, bytes.size() - at);
        if (!out.write(reinterpret_cast<const char*>(bytes.data() + at), static_cast<std::streamsize>(n)))
            return MakeError(at, "cannot write \"" + path + "\"");
    }
    out.close();
    if (!out) return MakeError(0, "cannot write \"" + path + "\"");
    return Done{};
}

Status Replace(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) {
        // Some platforms will not rename onto an existing file.
        std::filesystem::remove(to, error);
        std::filesystem::rename(from, to, error);
    }
    if (error) return MakeError(0, "cannot rename \"" + from + "\" to \"" + to + "\": " + error.message());
    return Done{};
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

    auto hive = OpenHiveView(source->Bytes(), source, options.cancel);
    if (!hive && Cancelled(options)) return Cancelled();
    if (!hive && source->Changed()) return changed();
    if (!hive) return Error{"\"" + input + "\": " + hive.error().message, hive.error().offset};
    CompactStats stats;
    auto compacted = CompactHive(*hive, options, &stats);
    if (!compacted) {
        if (compacted.error().message == "compaction cancelled") return compacted.error();
        if (source->Changed()) return changed();
        return Error{"\"" + input + "\": " + compacted.error().message, compacted.error().offset};
    }

    std::string temporary = output + ".kvtmp";
    auto written = WriteOutput(temporary, *compacted, options);
    if (written && source->Changed()) written = changed();
    if (written) written = Replace(temporary, output);
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return written.error();
    }
    return stats;
}

}  // namespace kelvara::regf
