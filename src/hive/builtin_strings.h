// Texts of the program's string table that the hive commands show. "Finish" and
// "Stop Process..." are the same in every language: the completion test compares with "Finish",
// so it must never be translated.
#pragma once

#include <string>
#include <string_view>

namespace kelvara::hive {

inline constexpr const char* kFinishText = "Finish";
inline constexpr const char* kStopProcessText = "Stop Process...";
inline constexpr const char* kProductTitle = "Varnel Kelvara";

inline constexpr const char* kCannotAnalyzeNowText =
    "Can not analyze the registry now! Please try again later.";
inline constexpr const char* kAnalyzeNoSuccessId = "RES_Analyze_NoSuccess";
inline constexpr const char* kAnalyzeNoSuccessText = "Failed to analyze the registry!";
inline constexpr const char* kLowFragmentRateText = "The fragment rate of your registry is only";
inline constexpr const char* kLowFragmentAdviceText =
    "We suggest that your registry does not need to be compacted at this time. If you select to "
    "compact the registry now, the same fragment rate may appear again.";

// The translatable message of that identifier. The language files cannot replace messages yet,
// so this always answers the built-in English text; the string table takes its place later.
std::string LoadLanguageStringBuiltInOnly(std::string_view id, std::string_view builtInText);

}  // namespace kelvara::hive
