// Compacting a hive file into another file: read with cancel checks, compact in memory, write
// under a temporary name and rename into place, so `output` is either complete or untouched.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "regf/compactor.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"

namespace kelvara::regf {

namespace {

constexpr std::size_t kChunk = 1 << 20;   // checking for cancel between chunks keeps it prompt

bool Cancelled(const CompactOptions& options) { return options.cancel && options.cancel->load(); }

Error Cancelled() { return MakeError(0, "compaction cancelled"); }

Result<std::vector<std::uint8_t>> ReadInput(const std::string& path, const CompactOptions& options) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return MakeError(0, "cannot open hive file \"" + path + "\"");
    auto end = in.tellg();
    std::error_code ignored;
    if (end < 0 || std::filesystem::is_directory(path, ignored))
        return MakeError(0, "\"" + path + "\" is a folder, not a hive file");
    if (static_cast<std::uint64_t>(end) > 0xFFFFFFFFull + kBaseBlockSize)
        return MakeError(0, "hive file \"" + path + "\" is too large to be a hive");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end));
    in.seekg(0);
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        if (Cancelled(options)) return Cancelled();
        std::size_t n = std::min(kChunk, bytes.size() - at);
        if (!in.read(reinterpret_cast<char*>(bytes.data() + at), static_cast<std::streamsize>(n)))
            return MakeError(at, "cannot read hive file \"" + path + "\"");
    }
    return bytes;
}

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
    auto bytes = ReadInput(input, options);
    if (!bytes) return bytes.error();
    auto hive = OpenHiveBytes(std::move(bytes.value()), options.cancel);
    if (!hive && Cancelled(options)) return Cancelled();
    if (!hive) return Error{"\"" + input + "\": " + hive.error().message, hive.error().offset};
    CompactStats stats;
    auto compacted = CompactHive(*hive, options, &stats);
    if (!compacted) {
        if (compacted.error().message == "compaction cancelled") return compacted.error();
        return Error{"\"" + input + "\": " + compacted.error().message, compacted.error().offset};
    }

    std::string temporary = output + ".kvtmp";
    auto written = WriteOutput(temporary, *compacted, options);
    if (written) written = Replace(temporary, output);
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return written.error();
    }
    return stats;
}

}  // namespace kelvara::regf
