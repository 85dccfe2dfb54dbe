// make-sample-installation FOLDER: writes a made-up but realistic Windows 10 installation's
// hive files into FOLDER, the same bytes on every run.
#include <cstdio>
#include <cstring>
#include <string>

#include "installation.h"

namespace {

int Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: make-sample-installation FOLDER\n"
                 "Writes the hives of a sample Windows 10 installation into FOLDER:\n"
                 "Windows/System32/config/{SYSTEM,SOFTWARE,SAM,SECURITY,DEFAULT},\n"
                 "Users/Alex/NTUSER.DAT and Users/Alex/AppData/Local/Microsoft/Windows/UsrClass.dat.\n");
    return to == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        return Usage(stdout);
    }
    if (argc != 2 || argv[1][0] == '\0') return Usage(stderr);
    std::uint64_t total = 0;
    const auto status = kelvara::sample::WriteInstallation(
        argv[1], [&](const kelvara::sample::WrittenHive& hive) {
            total += hive.size;
            std::printf("%-72s %9llu KB %7llu keys %8llu values, %2.0f%% free space asked\n",
                        hive.path.c_str(), static_cast<unsigned long long>((hive.size + 1023) / 1024),
                        static_cast<unsigned long long>(hive.keys),
                        static_cast<unsigned long long>(hive.values), hive.fragmentation * 100);
            std::fflush(stdout);
        });
    if (!status) {
        std::fprintf(stderr, "make-sample-installation: %s\n", status.error().ToString().c_str());
        return 1;
    }
    std::printf("sample installation: %.1f MB in %s\n", total / (1024.0 * 1024.0), argv[1]);
    return 0;
}
