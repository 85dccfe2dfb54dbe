// Win32 status codes this platform answers that the shared interface does not list.
#pragma once

namespace kelvara::platform::offline {

constexpr long kAlreadyExists = 183;   // ERROR_ALREADY_EXISTS

}  // namespace kelvara::platform::offline
