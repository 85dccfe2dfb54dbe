// Texts of the program's string table that the hive commands show. "Finish" and
// "Stop Process..." are the same in every language: the completion test compares with "Finish",
// so it must never be translated.
#pragma once

#include "settings/string_table.h"

namespace kelvara::hive {

inline constexpr const char* kFinishText = settings::strings::Finish.text;
inline constexpr const char* kStopProcessText = settings::strings::StopProcess.text;
inline constexpr const char* kProductTitle = settings::strings::ProductTitle.text;

inline constexpr const char* kCannotAnalyzeNowText = settings::strings::CannotAnalyzeNow.text;
inline constexpr const char* kAnalyzeNoSuccessId = settings::strings::AnalyzeNoSuccess.key;
inline constexpr const char* kAnalyzeNoSuccessText = settings::strings::AnalyzeNoSuccess.text;
inline constexpr const char* kLowFragmentRateText = settings::strings::LowFragmentRate.text;
inline constexpr const char* kLowFragmentAdviceText = settings::strings::LowFragmentAdvice.text;

}  // namespace kelvara::hive
