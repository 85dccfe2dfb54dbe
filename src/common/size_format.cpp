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
    for (std::size_t end = digits.size(); end > 3; end -= 3) digits.insert(end - 3, 1, ',');
    return sign + digits;
}

}  // namespace

std::string FormatSizeKB(std::int64_t bytes) {
    std::int64_t kilobytes = bytes / 1024;   // truncated toward zero
    if (bytes % 1024 != 0) ++kilobytes;
    const auto shown = static_cast<std::int32_t>(static_cast<std::uint32_t>(kilobytes));
    return GroupThousands(std::to_string(shown)) + " KB";
}

}  // namespace kelvara::common
