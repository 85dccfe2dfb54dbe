#include <iostream>

#include "hive_command.h"

#ifdef _WIN32
#include <io.h>
#define KV_ISATTY _isatty
#else
#include <unistd.h>
#define KV_ISATTY isatty
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Progress only where someone watches: not when errors go to a file or a pipe.
    bool showProgress = KV_ISATTY(2) != 0;
    return kelvara::tools::RunHiveCommand(args, std::cout, std::cerr, showProgress);
}
