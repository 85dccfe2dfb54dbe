#pragma once
// A form's address for posting, safe to copy to any thread and to keep after the form is gone:
// posting to a form that no longer exists is dropped (Post answers false), never delivered.
#include <cstdint>
#include <memory>
#include <string>

namespace kelvara::ui {

namespace detail {
struct FormLink;
}

class FormHandle {
public:
    FormHandle() = default;
    // Queues a message for the form's thread; handlers run in posting order. Thread-safe.
    bool Post(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const;
    // The same with a text that the handler finds in Message::text.
    bool PostText(unsigned msg, std::string text, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const;
    // True while the form exists.
    bool Alive() const;

private:
    friend class Form;
    explicit FormHandle(std::shared_ptr<detail::FormLink> link) : link_(std::move(link)) {}
    std::shared_ptr<detail::FormLink> link_;
};

}  // namespace kelvara::ui
