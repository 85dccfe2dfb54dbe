// The Win32 status codes the program meets, in words, for the platforms that have no system
// message table (the offline and scripted ones). The Windows build asks the system instead.
#pragma once

#include <string>

#include "platform/system.h"

namespace kelvara::platform {

// "the file does not exist (error 2)"; a code without words of its own gives "error N".
inline std::string StatusText(long code) {
    const char* words = nullptr;
    switch (code) {
    case status::Success: words = "the operation succeeded"; break;
    case status::FileNotFound: words = "the file does not exist"; break;
    case status::PathNotFound: words = "the folder does not exist"; break;
    case status::AccessDenied: words = "access is denied"; break;
    case status::InvalidHandle: words = "the key handle is not valid"; break;
    case status::NotEnoughMemory: words = "there is not enough memory"; break;
    case status::InvalidParameter: words = "a parameter is not valid"; break;
    case status::AlreadyExists: words = "the file already exists"; break;
    case status::OperationAborted: words = "the operation was cancelled"; break;
    case status::BadDatabase: words = "the file is not a usable hive"; break;
    case status::CantWrite: words = "the registry could not write the file"; break;
    case status::PrivilegeNotHeld: words = "the process lacks the privilege it needs"; break;
    default: break;
    }
    const std::string number = "error " + std::to_string(code);
    return words ? std::string(words) + " (" + number + ")" : number;
}

}  // namespace kelvara::platform
