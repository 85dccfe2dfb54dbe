#pragma once
// Message boxes: what the program asks, and the answer it gets (mrOk, mrYes, mrNo...).
#include <string>

namespace kelvara::ui {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Stop, Question, Warning, Information };

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    // 0 = the first button is the default, 1 = the second...
    int defaultButton = 0;
};

// The answer of the box's default button (what Enter gives): mrOk, mrYes...
int DefaultAnswer(const MessageBoxRequest& request);

}  // namespace kelvara::ui
