#pragma once
// A window of the program: its components in component order, its placement and looks, the
// modal loop, the close sequence, and handlers for posted messages.
//
// Declaring a form: derive from Form, add the components in the constructor (a table, see
// form_table.h), attach handlers, override FormCreate/FormShow/FormActivate/FormClose as
// needed; create it with CreateForm<T>(...) (or Application::CreateForm for the main form),
// which makes the native window and then runs FormCreate.
//
// The class is implemented across files named by concern: form.cpp (life and window
// properties), form_components.cpp, form_placement.cpp, form_showing.cpp, form_modal_loop.cpp,
// form_closing.cpp, form_messages.cpp, form_keys.cpp (focus and dialog keys), form_mouse.cpp
// (mouse routing on the surface) and form_painting.cpp.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/color.h"
#include "ui/component.h"
#include "ui/control.h"
#include "ui/font.h"
#include "ui/form_handle.h"
#include "ui/form_table.h"
#include "ui/geometry.h"
#include "ui/keyboard_cues.h"
#include "ui/messages.h"

namespace kelvara::ui {

class FormPeer;
class Canvas;
class WinControl;
class Application;

enum class BorderStyle {
    None,             // no frame and no caption: the client area is the whole window
    Dialog,           // fixed dialog frame, caption with a close box
    DialogNoButtons,  // fixed dialog frame, caption without any caption buttons
};

enum class FormPosition { Designed, ScreenCenter, OwnerFormCenter };

enum class CloseAction { None, Hide, Free, Minimize };

using MessageHandler = std::function<void(const Message&)>;

class ComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Form : public Component {
public:
    // owner: the form this one is placed over and that a modal showing disables.
    explicit Form(Form* owner = nullptr);
    ~Form() override;

    // ---- components, in component order
    Component& AddComponent(std::unique_ptr<Component> component, const std::string& name,
                            const std::string& parentName = "");
    template <class KindClass>
    KindClass& Add(const std::string& name, Rect bounds = {}, const std::string& parentName = "") {
        auto owned = std::make_unique<KindClass>();
        KindClass& c = *owned;
        AddComponent(std::move(owned), name, parentName);
        if constexpr (std::is_base_of_v<Control, KindClass>) c.SetBounds(bounds);
        return c;
    }
    // Adds every row of a definition table, in order.
    void AddComponents(std::span<const ComponentSpec> table);
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    Component& ComponentAt(int i) const { return *components_.at(i); }
    std::vector<Component*> Components() const;
    // Lookup by name, ASCII case-insensitive as the window definitions' names are.
    Component* FindComponent(const std::string& name) const;
    // The component of that name and kind; throws ComponentError naming what is wrong.
    template <class KindClass>
    KindClass& Get(const std::string& name) const {
        Component* c = FindComponent(name);
        if (!c) throw ComponentError("form '" + Name() + "' has no component '" + name + "'");
        auto* k = dynamic_cast<KindClass*>(c);
        if (!k) throw ComponentError("component '" + name + "' of form '" + Name() + "' is of another kind");
        return *k;
    }

    // ---- the window
    bool HasCaption() const override { return true; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& text) override;
    int ClientWidth() const { return clientSize_.width; }
    int ClientHeight() const { return clientSize_.height; }
    void SetClientSize(int width, int height);
    // Screen position of the window's top-left corner (for a form without border, the client
    // area's). Set by placement, moves and drags.
    int Left() const { return position_.x; }
    int Top() const { return position_.y; }
    void SetScreenPosition(Point p);
    // Offset of the client area inside the window (0, 0 without border).
    Point ClientOffset() const;
    Point ScreenToClient(Point screen) const;
    Point ClientToScreen(Point client) const;

    BorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(BorderStyle s) { borderStyle_ = s; }
    FormPosition Position() const { return placement_; }
    void SetPosition(FormPosition p) { placement_ = p; }
    const Font& GetFont() const { return font_; }
    void SetFont(const Font& f);
    Color GetColor() const { return color_; }
    void SetColor(Color c);
    // The icon resource of the executable (Windows build); "" keeps the system's default.
    const std::string& IconResource() const { return iconResource_; }
    void SetIconResource(std::string name) { iconResource_ = std::move(name); }
    // The window class name (up to 63 characters): set it in the constructor, before the
    // window is made. A second instance finds the first by it.
    const std::string& WindowClassName() const { return className_; }
    void SetWindowClassName(std::string name);
    Form* OwnerForm() const { return ownerForm_; }
    // Width of a text in the form's font (or another), as the widget set measures it.
    int TextWidth(const std::string& text) const;
    int TextWidth(const std::string& text, const Font& font) const;

    // ---- showing and closing
    bool Visible() const { return visible_; }
    void Show();
    void Hide();
    void SetVisible(bool v) { v ? Show() : Hide(); }
    // Shows the form modally and runs a message loop until a modal result is set; returns it.
    int ShowModal();
    bool IsModal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    // Setting a result other than mrNone ends a modal showing.
    void SetModalResult(int r);
    // The close sequence: FormClose decides the action; a modal form gets mrCancel if it has
    // no result yet; closing the main form ends the application.
    void Close();
    bool Minimized() const { return minimized_; }
    bool Active() const;

    // ---- messages
    FormHandle Handle() const { return FormHandle(link_); }
    bool Post(unsigned msg, std::uintptr_t w = 0, std::intptr_t l = 0) const { return Handle().Post(msg, w, l); }
    // Handler for one of the program's own messages (or WmClose / WmSysCommand to replace the
    // default behaviour).
    void OnMessage(unsigned msg, MessageHandler handler) { handlers_[msg] = std::move(handler); }
    bool HasMessageHandler(unsigned msg) const { return handlers_.count(msg) != 0; }

    // ---- focus
    WinControl* ActiveControl() const;
    // Next control in the tab order (component order among enabled, visible tab stops).
    void SelectNext(bool backwards);

    // Topmost visible control at a client point (windowed over windowless, later over earlier),
    // or nullptr for the form's own surface.
    Control* ControlAt(Point client) const;
    // Whether focus marks and access-key underlines show (see keyboard_cues.h).
    KeyboardCues& Cues() { return cues_; }
    const KeyboardCues& Cues() const { return cues_; }

    // ---- events, overridden by each form
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormActivate() {}
    virtual void FormClose(CloseAction& action) {}
    // Non-client hit test: `screen` is the point in screen coordinates, `defaultResult` what
    // the window's default handling answered (HtClient over the client area). Return the result.
    virtual int NcHitTest(Point screen, int defaultResult) { return defaultResult; }

    // ---- for widget sets
    FormPeer* Peer() const { return peer_.get(); }
    // Makes the native window and the peers of the windowed controls (CreateForm does this).
    void Realize();
    void DispatchMessage(const Message& m);
    int HandleNcHitTest(Point screen);
    void HandleActivate();
    void HandleDeactivate();
    void HandleMinimized(bool minimized);
    void HandleMoved(Point screen) { position_ = screen; }
    std::shared_ptr<detail::FormLink> Link() const { return link_; }
    // A context-menu request at a screen point (right button released, the menu key): shows
    // the popup menu of the control there. True when a menu was shown.
    bool HandleContextMenu(Point screen);
    // The form's own surface: painting windowless controls and routing the mouse to them.
    void PaintSurface(Canvas& canvas);
    void SurfaceMouseMove(Point client, ShiftState shift);
    void SurfaceMouseDown(Point client, MouseButton button, ShiftState shift, bool doubleClick = false);
    void SurfaceMouseUp(Point client, MouseButton button, ShiftState shift);
    void SurfaceMouseLeave();
    void SurfaceCaptureLost();
    // The windowless control under the pointer (hover), or nullptr.
    Control* HoverControl() const { return hover_; }
    Control* CaptureControl() const { return capture_; }
    // Keyboard: dialog keys and typed characters (access keys).
    void HandleKey(Key key);
    bool HandleChar(char ch);
    void ControlFocused(WinControl* c) { activeControl_ = c; }
    void InvalidateRect(Rect client);
    // The application is going before this form: the form lets go of its windows.
    void ApplicationGone();
    // The application running this form (set by Realize).
    Application* App() const { return app_; }

private:
    void PlaceOnScreen();
    void SyncDescendants(Control& container);
    friend class Control;
    // The first enabled, showing control with that keyboard role (default or cancel button).
    WinControl* FindButton(bool (WinControl::*role)() const) const;
    Control* WindowlessAt(Point client) const;

    std::vector<std::unique_ptr<Component>> components_;
    std::shared_ptr<detail::FormLink> link_;
    std::unique_ptr<FormPeer> peer_;
    std::map<unsigned, MessageHandler> handlers_;
    Application* app_ = nullptr;
    Form* ownerForm_ = nullptr;
    std::string caption_;
    Size clientSize_{};
    Point position_{};
    BorderStyle borderStyle_ = BorderStyle::Dialog;
    FormPosition placement_ = FormPosition::Designed;
    Font font_{};
    Color color_ = clBtnFace;
    std::string iconResource_;
    std::string className_;
    bool visible_ = false;
    bool shownOnce_ = false;
    bool modal_ = false;
    bool minimized_ = false;
    bool closing_ = false;
    bool closedByClose_ = false;
    int modalResult_ = mrNone;
    Control* hover_ = nullptr;
    Control* capture_ = nullptr;
    WinControl* activeControl_ = nullptr;
    KeyboardCues cues_;
    bool clickPending_ = false;
};

// Creates a form: the constructor (which adds the components), the native window, FormCreate.
template <class FormClass, class... Args>
std::unique_ptr<FormClass> CreateForm(Args&&... args) {
    auto form = std::make_unique<FormClass>(std::forward<Args>(args)...);
    form->Realize();
    form->FormCreate();
    return form;
}

}  // namespace kelvara::ui
