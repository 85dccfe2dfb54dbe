#include "hive/builtin_strings.h"

namespace kelvara::hive {

std::string LoadLanguageStringBuiltInOnly(std::string_view /*id*/, std::string_view builtInText) {
    return std::string(builtInText);
}

}  // namespace kelvara::hive
