#include "hive_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "regf/regf.h"

namespace kelvara::tools {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

const char* const kUsageText =
    "Usage: kelvara-hive COMMAND ARGUMENTS\n"
    "Checks, compacts and measures Windows registry hive files.\n"
    "\n"
    "Commands:\n"
    "  check HIVE         check the hive's structure and report what is wrong, with offsets;\n"
    "                     exit 0 when sound, 1 when damaged or dirty; untidiness that\n"
    "                     Windows leaves too (cells nothing references, security counted\n"
    "                     too often) and layouts that other readers misread are listed\n"
    "                     under their own headings and change no exit status\n"
    "  compact HIVE OUT   write a compacted copy of HIVE to OUT (replacing it); exit 0 when\n"
    "                     written, 1 when refused (a damaged or dirty hive), with the reason\n"
    "  recover HIVE OUT   write HIVE as its transaction logs bring it up to date, not\n"
    "                     compacted, to OUT; exit 0 when written, 1 when the logs cannot\n"
    "                     recover it, with the reason\n"
    "  stat HIVE          print the file size, used, free and reachable bytes and the\n"
    "                     fragmentation percent\n"
    "  --help             show this text (also after a command)\n"
    "\n"
    "A dirty hive (its last write did not reach the file) is recovered in memory from the\n"
    "logs beside it (HIVE.LOG, HIVE.LOG1, HIVE.LOG2, in any letter case) by check and\n"
    "compact; the hive and its logs are never changed. --no-logs after check or compact\n"
    "refuses a dirty hive instead. Any other switch is refused; a file whose name begins\n"
    "with \"-\" is named after \"--\".\n";

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

int Usage(std::ostream& err, const std::string& problem) {
    err << "kelvara-hive: " << problem << "\n\n" << kUsageText;
    return kUsage;
}

int Check(const std::string& hive, bool useLogs, std::ostream& out) {
    regf::CheckReport report = useLogs ? regf::CheckFileWithLogs(hive) : regf::CheckFile(hive);
    out << hive << ":\n" << report.Text();
    return report.sound ? kDone : kRefused;
}

int Stat(const std::string& hive, std::ostream& out, std::ostream& err) {
    auto file = regf::HiveFile::Open(hive);
    if (!file) {
        err << "kelvara-hive: " << file.error().ToString() << "\n";
        return kRefused;
    }
    regf::HiveStats stats = regf::Check(*file).stats;
    out << "file size:        " << stats.fileSize << " bytes\n"
        << "used:             " << stats.usedBytes << " bytes\n"
        << "free:             " << stats.freeBytes << " bytes\n"
        << "reachable:        " << stats.reachableBytes << " bytes\n"
        << "fragmentation:    " << Percent(stats.FragmentationPercent()) << " %\n"
        << "compacted size:   about " << regf::PackedHiveSize(stats.reachableBytes) << " bytes\n";
    if (file->IsDirty()) out << "note: the hive is dirty (its last write did not finish)\n";
    return kDone;
}

void TellRecovery(const regf::Recovery& recovery, std::ostream& out) {
    if (!recovery.wasDirty) return;
    std::string used;
    for (const auto& name : recovery.logsUsed) used += (used.empty() ? "" : ", ") + name;
    out << "recovered the dirty hive from " << used << ": " << recovery.entriesApplied << " log entries, "
        << recovery.pagesApplied << " pages\n";
    for (const auto& note : recovery.notes) out << "  log passed over: " << note << "\n";
}

int Recover(const std::string& hive, const std::string& output, std::ostream& out, std::ostream& err) {
    auto recovered = regf::RecoverHiveFile(hive);
    if (!recovered) {
        err << "kelvara-hive: not recovered: " << recovered.error().ToString() << "\n";
        return kRefused;
    }
    // What the logs make of the hive must itself be a hive, or it is no recovery.
    const regf::Recovery& told = *recovered;
    const std::uint64_t size = told.bytes.size();
    auto check = regf::HiveFile::FromBytes(std::move(recovered->bytes));
    if (!check) {
        err << "kelvara-hive: not recovered: the logs give a damaged hive: " << check.error().ToString() << "\n";
        return kRefused;
    }
    const std::string temporary = output + ".kvtmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        auto bytes = check->Bytes();
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::remove(temporary.c_str());
            err << "kelvara-hive: cannot write \"" << output << "\"\n";
            return kRefused;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, output, error);
    if (error) {
        std::filesystem::remove(output, error);
        std::filesystem::rename(temporary, output, error);
    }
    if (error) {
        std::filesystem::remove(temporary, error);
        err << "kelvara-hive: cannot write \"" << output << "\"\n";
        return kRefused;
    }
    if (told.wasDirty)
        TellRecovery(told, out);
    else
        out << "the hive is not dirty: nothing to recover\n";
    out << "wrote " << output << ": " << size << " bytes\n";
    return kDone;
}

int Compact(const std::string& hive, const std::string& output, bool useLogs, std::ostream& out, std::ostream& err,
            bool showProgress) {
    regf::CompactOptions options;
    regf::Recovery recovery;
    options.recoverFromLogs = useLogs;
    options.recovery = &recovery;
    int shown = -1;
    if (showProgress) {
        options.progress = [&](std::uint64_t done, std::uint64_t total) {
            int percent = total ? static_cast<int>(done * 100 / total) : 100;
            if (percent == shown) return;
            shown = percent;
            err << "\rcompacting: " << percent << " %" << std::flush;
        };
    }
    auto stats = regf::Compact(hive, output, options);
    if (shown >= 0) err << "\n";
    if (!stats) {
        err << "kelvara-hive: not compacted: " << stats.error().ToString() << "\n";
        return kRefused;
    }
    TellRecovery(recovery, out);
    out << "wrote " << output << ": " << stats->outputSize << " bytes (from " << stats->inputSize << "), "
        << stats->keys << " keys, " << stats->values << " values, " << stats->securityDescriptors
        << " security descriptors\n";
    return kDone;
}

}  // namespace

int RunHiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool showProgress) {
    if (args.empty()) return Usage(err, "no command given");
    const std::string& command = args[0];
    auto isHelp = [](const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "/?"; };
    if (isHelp(command)) {
        out << kUsageText;
        return kDone;
    }
    // Switches may stand anywhere after the command, up to "--"; an unknown one is a mistake
    // to say, never a file name to read.
    std::vector<std::string> operands;
    bool useLogs = true;
    bool switchesEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (switchesEnded) {
            operands.push_back(arg);
        } else if (arg == "--") {
            switchesEnded = true;
        } else if (isHelp(arg)) {
            out << kUsageText;
            return kDone;
        } else if (arg == "--no-logs" && (command == "check" || command == "compact")) {
            useLogs = false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(err, "unknown switch \"" + arg + "\" for " + command);
        } else {
            operands.push_back(arg);
        }
    }
    auto expect = [&](std::size_t count) { return operands.size() == count; };
    if (command == "check") return expect(1) ? Check(operands[0], useLogs, out) : Usage(err, "check takes one hive file");
    if (command == "stat") return expect(1) ? Stat(operands[0], out, err) : Usage(err, "stat takes one hive file");
    if (command == "compact")
        return expect(2) ? Compact(operands[0], operands[1], useLogs, out, err, showProgress)
                         : Usage(err, "compact takes a hive file and an output file");
    if (command == "recover")
        return expect(2) ? Recover(operands[0], operands[1], out, err)
                         : Usage(err, "recover takes a hive file and an output file");
    return Usage(err, "unknown command \"" + command + "\"");
}

}  // namespace kelvara::tools
