#pragma once
// The shared record between a form and its handles: the form clears it when it goes, under
// the mutex, so a post from another thread either reaches a living form's queue or is dropped.
#include <mutex>

namespace kelvara::ui {
class Form;
class FormPeer;
namespace detail {

// Every post runs under this lock, and a forced thread end takes it first: a worker is then
// never ended halfway through a post, which would leave a form's link locked for good.
std::mutex& PostingMutex();

struct FormLink {
    std::mutex mutex;
    Form* form = nullptr;
    FormPeer* peer = nullptr;
};

}  // namespace detail
}  // namespace kelvara::ui
