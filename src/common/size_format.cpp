#include "common/size_format.h"

namespace kelvara::common {
namespace {

// "1234567" -> "1,234,567"; a leading minus sign is kept apart from the digit groups.
std::string GroupThousands(std::string digits) {
    std::string sign;
    if (!digits.empty() && digits.front() == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    std::string grouped;
    while (digits.size() > 3) {
        grouped = "," + digits.substr(digits.size() - 3) + grouped;
        digits.resize(digits.size() - 3);
    }
    return sign + digits + grouped;
}

}  // namespace

std::string FormatSizeKB(std::int64_t bytes) {
    std::int64_t kilobytes = bytes / 1024;   // truncated toward zero
    if (bytes % 1024 != 0) ++kilobytes;
    const auto shown = static_cast<std::int32_t>(static_cast<std::uint32_t>(kilobytes));
    return GroupThousands(std::to_string(shown)) + " KB";
}

}  // namespace kelvara::common
