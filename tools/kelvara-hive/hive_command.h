// The kelvara-hive command line: check, compact and stat of hive files. Kept apart from
// main() so the tests run the very same code with their own streams.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kelvara::tools {

// Exit codes: 0 done (a sound hive, a written copy), 1 refused or damaged, 2 usage error.
int RunHiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool showProgress = false);

}  // namespace kelvara::tools
