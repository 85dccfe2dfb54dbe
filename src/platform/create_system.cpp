#include "platform/create_system.h"

#include <cstdlib>
#include <stdexcept>
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
#elif defined(KV_HAVE_OFFLINE_SYSTEM)
    // A release has no installation of its own: it works only on the folder it is told, never
    // on one it guessed.
    throw std::runtime_error(std::string("Name the folder where the Windows disk is mounted in ") +
                             kOfflineRootVariable + " (for example " + kOfflineRootVariable + "=/mnt/windows)");
#else
#error "The Linux build needs the offline platform and KV_DEFAULT_OFFLINE_ROOT"
#endif
}

}  // namespace kelvara::platform
