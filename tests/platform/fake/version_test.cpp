// Version code and WOW64 detection as the program asks them of a System.
#include <gtest/gtest.h>

#include "platform/fake/scripted_system.h"
#include "platform/version.h"

namespace kelvara::platform {
namespace {

using fake::ScriptedSystem;
using fake::Wow64Function;

TEST(PlatformVersion, CodeComesFromTheVersionRecord)
{
    struct Case {
        OsVersion version;
        std::uint8_t code;
    } cases[] = {
        {{6, 1, 7601, 2}, 12},   // Windows 7, and Wine's default prefix
        {{6, 2, 9200, 2}, 11},   // 8 and later without a manifest naming them
        {{5, 1, 2600, 2}, 9},
        {{4, 10, 2222, 1}, 3},
        {{10, 0, 19045, 2}, 0},
        {{0, 0, 0, 0}, 0},       // a failed query leaves the record zero-filled
    };
    for (const Case& c : cases) {
        ScriptedSystem sys;
        sys.SetVersion(c.version);
        EXPECT_EQ(GetWindowsVersionCode(sys), c.code) << c.version.majorVersion << "." << c.version.minorVersion;
    }
}

TEST(PlatformVersion, Wow64OnlyWhenTheFunctionExistsAndSaysSo)
{
    struct Case {
        Wow64Function function;
        bool answer;
        bool expected;
    } cases[] = {
        {Wow64Function::Present, true, true},   {Wow64Function::Present, false, false},
        {Wow64Function::Absent, true, false},   {Wow64Function::Failing, true, false},
    };
    for (const Case& c : cases) {
        ScriptedSystem sys;
        sys.SetWow64(c.function, c.answer);
        EXPECT_EQ(IsWow64(sys), c.expected) << static_cast<int>(c.function) << " " << c.answer;
    }
}

}  // namespace
}  // namespace kelvara::platform
