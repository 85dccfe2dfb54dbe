#include <gtest/gtest.h>

#include "common/windows_version.h"

namespace kelvara::common {
namespace {

TEST(WindowsVersionCode, EveryRowOfTheTable)
{
    struct Case {
        std::uint32_t platform, major, minor;
        std::uint8_t code;
        bool supported;
    } cases[] = {
        {2, 3, 51, 5, true},   {2, 4, 0, 6, true},    {2, 5, 0, 7, true},    {2, 5, 3, 7, true},
        {2, 5, 1, 9, true},    {2, 5, 2, 10, true},   {2, 6, 1, 12, true},   {2, 6, 0, 11, true},
        {2, 6, 2, 11, true},   {2, 6, 3, 11, true},   {2, 10, 0, 0, false},  {2, 2, 0, 0, false},
        {2, 7, 1, 0, false},   {1, 4, 0, 1, false},   {1, 4, 10, 3, false},  {1, 4, 90, 8, false},
        {1, 4, 1, 0, false},   {1, 5, 1, 0, false},   {0, 4, 10, 3, false},  {3, 4, 90, 8, false},
        {0, 0, 0, 0, false},   {2, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        const std::uint8_t code = WindowsVersionCode(c.platform, c.major, c.minor);
        EXPECT_EQ(code, c.code) << c.platform << " " << c.major << "." << c.minor;
        EXPECT_EQ(IsSupportedVersionCode(code), c.supported) << c.platform << " " << c.major << "." << c.minor;
    }
}

TEST(WindowsVersionCode, CodesTwoAndFourAreNeverProduced)
{
    for (std::uint32_t platform : {0u, 1u, 2u, 3u}) {
        for (std::uint32_t major = 0; major < 12; ++major) {
            for (std::uint32_t minor = 0; minor < 100; ++minor) {
                const auto code = WindowsVersionCode(platform, major, minor);
                EXPECT_NE(code, 2);
                EXPECT_NE(code, 4);
            }
        }
    }
}

}  // namespace
}  // namespace kelvara::common
