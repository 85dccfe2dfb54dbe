#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/create_system.h"
#include "platform/offline/offline_system.h"
#ifdef _WIN32
#include "platform/win32/win32_system.h"
#endif

namespace kelvara::platform {
namespace {

void SetOfflineRoot(const std::string& value)
{
#ifdef _WIN32
    _putenv((std::string(kOfflineRootVariable) + "=" + value).c_str());
#else
    if (value.empty()) ::unsetenv(kOfflineRootVariable);
    else ::setenv(kOfflineRootVariable, value.c_str(), 1);
#endif
}

TEST(CreateSystem, TheVariableChoosesTheOfflinePlatform)
{
    const auto folder = std::filesystem::temp_directory_path() / "kv-create-system";
    std::filesystem::create_directories(folder);
    SetOfflineRoot(folder.string());
    const auto offline = CreateSystem();
    EXPECT_NE(dynamic_cast<OfflineSystem*>(offline.get()), nullptr);

    SetOfflineRoot("");
    const auto native = CreateSystem();
    ASSERT_NE(native, nullptr);
#ifdef _WIN32
    EXPECT_NE(dynamic_cast<win32::Win32System*>(native.get()), nullptr) << "unset or empty: the real API";
#else
    EXPECT_NE(dynamic_cast<OfflineSystem*>(native.get()), nullptr) << "unset: the bundled sample";
#endif
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kelvara::platform
