#include "platform/create_system.h"

#include <cstdlib>
#include <string>

#if __has_include("platform/offline/offline_system.h")
#include "platform/offline/offline_system.h"
#define KV_HAVE_OFFLINE_SYSTEM 1
#endif

#ifdef _WIN32
#include "platform/win32/win32_system.h"
#endif

namespace kelvara::platform {

std::unique_ptr<System> CreateSystem()
{
    const char* root = std::getenv(kOfflineRootVariable);
#ifdef KV_HAVE_OFFLINE_SYSTEM
    if (root && *root) return std::make_unique<OfflineSystem>(root);
#endif
#ifdef _WIN32
    return std::make_unique<win32::Win32System>();
#elif defined(KV_HAVE_OFFLINE_SYSTEM) && defined(KV_DEFAULT_OFFLINE_ROOT)
    return std::make_unique<OfflineSystem>(KV_DEFAULT_OFFLINE_ROOT);
#else
#error "The Linux build needs the offline platform and KV_DEFAULT_OFFLINE_ROOT"
#endif
}

}  // namespace kelvara::platform
