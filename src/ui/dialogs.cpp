#include "ui/dialogs.h"

#include "ui/messages.h"

namespace kelvara::ui {

int DefaultAnswer(const MessageBoxRequest& request) {
    switch (request.buttons) {
        case MsgButtons::Ok: return mrOk;
        case MsgButtons::OkCancel: return request.defaultButton == 1 ? mrCancel : mrOk;
        case MsgButtons::YesNo: return request.defaultButton == 1 ? mrNo : mrYes;
        case MsgButtons::YesNoCancel:
            if (request.defaultButton == 1) return mrNo;
            if (request.defaultButton == 2) return mrCancel;
            return mrYes;
    }
    return mrOk;
}

}  // namespace kelvara::ui
