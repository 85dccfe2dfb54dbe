#include "ui/form_handle.h"

#include "ui/form_link.h"
#include "ui/widget_set.h"

namespace kelvara::ui {

namespace detail {

std::mutex& PostingMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace detail

bool FormHandle::Post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) const {
    return PostText(msg, std::string(), wParam, lParam);
}

bool FormHandle::PostText(unsigned msg, std::string text, std::uintptr_t wParam, std::intptr_t lParam) const {
    if (!link_) return false;
    std::lock_guard posting(detail::PostingMutex());
    std::lock_guard lock(link_->mutex);
    if (!link_->form || !link_->peer) return false;
    link_->peer->PostToQueue(Message{msg, wParam, lParam, std::move(text)});
    return true;
}

bool FormHandle::Alive() const {
    if (!link_) return false;
    std::lock_guard lock(link_->mutex);
    return link_->form != nullptr;
}

}  // namespace kelvara::ui
