// Forms built from definition tables: component order, lookup, kinds, flags, containers, menus.
#include <gtest/gtest.h>

#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/form.h"
#include "ui/list_view.h"
#include "ui/memo.h"
#include "ui/menu.h"
#include "ui/standard_controls.h"
#include "ui/timer.h"
#include "ui_fixture.h"

namespace kelvara::ui::testing {
namespace {

// A kind derived from a framework kind, as the program's link label derives from the label.
class LinkLabel : public TLabel {};

const ComponentSpec kLayout[] = {
    {Kind<TImage>, "Image1", {0, 0, 200, 100}, "", "", kStretch},
    {Kind<TLabel>, "lTitle", {10, 10, 80, 13}, "Main", "", kBold | kTransparent},
    {Kind<LinkLabel>, "URLLabel1", {10, 30, 80, 13}, "example.org", "", kHandCursor},
    {Kind<TLabel>, "lSize", {100, 30, 70, 13}, "", "", kAlignRight | kHidden},
    {Kind<TGroupBox>, "GroupBox1", {10, 50, 180, 45}, "Options"},
    {Kind<TCheckBox>, "cbAsk", {5, 15, 100, 17}, "&Ask", "Ask first", kChecked | kShowHint, "GroupBox1"},
    {Kind<TListView>, "lvMain", {0, 0, 10, 10}, "", "", kGridLines | kReadOnly},
    {Kind<TMemo>, "Memo1", {0, 0, 10, 10}, "Registry Key", "", kReadOnly | kNoBorder},
    {Kind<TButton>, "bOK", {100, 70, 75, 25}, "OK", "", kDefault | kDisabled},
    {Kind<TTimer>, "Timer1", {}, "", "", kTimerDisabled},
    {Kind<TPopupMenu>, "pmHelp"},
    {Kind<TMenuItem>, "pmiHelp", {}, "&Help", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "N5", {}, "-", "", 0, "pmHelp"},
    {Kind<TMenuItem>, "miEnglish", {}, "&English", "", kChecked, "pmHelp"},
};

class TfrmSample : public Form {
public:
    TfrmSample() {
        SetName("frmSample");
        SetClientSize(200, 100);
        AddComponents(kLayout);
    }
};

class ComponentsTest : public UiTest {};

TEST_F(ComponentsTest, ComponentsKeepTheTableOrder) {
    auto form = CreateForm<TfrmSample>();
    ASSERT_EQ(form->ComponentCount(), static_cast<int>(std::size(kLayout)));
    for (int i = 0; i < form->ComponentCount(); ++i) {
        EXPECT_EQ(form->ComponentAt(i).Name(), kLayout[i].name) << "at " << i;
        EXPECT_EQ(form->ComponentAt(i).Owner(), form.get());
    }
}

TEST_F(ComponentsTest, LookupIgnoresAsciiCaseAndReportsWhatIsWrong) {
    auto form = CreateForm<TfrmSample>();
    EXPECT_EQ(form->FindComponent("LTITLE"), &form->ComponentAt(1));
    EXPECT_EQ(form->FindComponent("nothing"), nullptr);
    EXPECT_EQ(&form->Get<TLabel>("urllabel1"), &form->ComponentAt(2));
    try {
        form->Get<TButton>("lTitle");
        FAIL() << "a label was returned as a button";
    } catch (const ComponentError& e) {
        EXPECT_NE(std::string(e.what()).find("lTitle"), std::string::npos);
    }
    EXPECT_THROW(form->Get<TLabel>("missing"), ComponentError);
}

TEST_F(ComponentsTest, KindsIncludeDerivedClasses) {
    auto form = CreateForm<TfrmSample>();
    struct Row {
        const char* name;
        bool label, graphic, windowed, menuItem;
    };
    const Row rows[] = {
        {"Image1", false, true, false, false},    {"lTitle", true, true, false, false},
        {"URLLabel1", true, true, false, false},  {"cbAsk", false, false, true, false},
        {"lvMain", false, false, true, false},    {"pmiHelp", false, false, false, true},
        {"Timer1", false, false, false, false},
    };
    for (const Row& r : rows) {
        Component& c = form->Get<Component>(r.name);
        EXPECT_EQ(c.IsA<TLabel>(), r.label) << r.name;
        EXPECT_EQ(c.IsA<GraphicControl>(), r.graphic) << r.name;
        EXPECT_EQ(c.IsA<WinControl>(), r.windowed) << r.name;
        EXPECT_EQ(c.IsA<TMenuItem>(), r.menuItem) << r.name;
    }
}

TEST_F(ComponentsTest, RowFlagsSetTheProperties) {
    auto form = CreateForm<TfrmSample>();
    EXPECT_TRUE(form->Get<TImage>("Image1").Stretch());
    auto& title = form->Get<TLabel>("lTitle");
    EXPECT_TRUE(title.GetFont().bold);
    EXPECT_TRUE(title.Transparent());
    EXPECT_EQ(title.GetFont().name, "MS Sans Serif");
    EXPECT_EQ(title.GetFont().height, -11);
    EXPECT_EQ(form->Get<TLabel>("URLLabel1").GetCursor(), Cursor::HandPoint);
    EXPECT_FALSE(form->Get<TLabel>("URLLabel1").GetFont().bold);
    EXPECT_EQ(form->Get<TLabel>("lSize").Alignment(), TextAlign::Right);
    EXPECT_FALSE(form->Get<TLabel>("lSize").Visible());
    auto& ask = form->Get<TCheckBox>("cbAsk");
    EXPECT_TRUE(ask.Checked());
    EXPECT_TRUE(ask.ShowHint());
    EXPECT_EQ(ask.Hint(), "Ask first");
    EXPECT_TRUE(form->Get<TListView>("lvMain").GridLines());
    EXPECT_TRUE(form->Get<TMemo>("Memo1").ReadOnly());
    EXPECT_FALSE(form->Get<TMemo>("Memo1").Border());
    auto& ok = form->Get<TButton>("bOK");
    EXPECT_TRUE(ok.Default());
    EXPECT_FALSE(ok.Enabled());
    EXPECT_FALSE(form->Get<TTimer>("Timer1").Enabled());
    EXPECT_TRUE(form->Get<TMenuItem>("miEnglish").Checked());
}

TEST_F(ComponentsTest, ContainedControlsAreRelativeToTheirContainer) {
    auto form = CreateForm<TfrmSample>();
    auto& box = form->Get<TGroupBox>("GroupBox1");
    auto& ask = form->Get<TCheckBox>("cbAsk");
    EXPECT_EQ(ask.Parent(), &box);
    EXPECT_EQ(ask.BoundsInForm(), (Rect{15, 65, 100, 17}));
    box.SetLeft(20);
    EXPECT_EQ(ask.BoundsInForm(), (Rect{25, 65, 100, 17}));
    box.Hide();
    EXPECT_TRUE(ask.Visible());
    EXPECT_FALSE(ask.IsShowing());
}

TEST_F(ComponentsTest, MenuItemsBelongToTheirMenuInOrder) {
    auto form = CreateForm<TfrmSample>();
    auto& menu = form->Get<TPopupMenu>("pmHelp");
    ASSERT_EQ(menu.Items().size(), 3u);
    EXPECT_EQ(menu.Items()[0]->Name(), "pmiHelp");
    EXPECT_TRUE(menu.Items()[1]->IsSeparator());
    EXPECT_EQ(menu.Items()[2]->Menu(), &menu);
}

TEST_F(ComponentsTest, BadTablesAreRefusedWithTheirNames) {
    Form form;
    form.SetName("frmBad");
    form.Add<TLabel>("Label1");
    try {
        form.Add<TLabel>("label1");
        FAIL() << "a duplicate name was accepted";
    } catch (const ComponentError& e) {
        EXPECT_NE(std::string(e.what()).find("label1"), std::string::npos);
    }
    EXPECT_THROW(form.Add<TLabel>("Label2", {}, "NoSuchBox"), ComponentError);
    EXPECT_THROW(form.Add<TMenuItem>("mi", {}, "Label1"), ComponentError);
}

TEST_F(ComponentsTest, CaptionsAndHintsAreWhatTranslationReads) {
    auto form = CreateForm<TfrmSample>();
    EXPECT_TRUE(form->Get<TLabel>("lTitle").HasCaption());
    EXPECT_TRUE(form->Get<TMenuItem>("pmiHelp").HasCaption());
    EXPECT_FALSE(form->Get<TMemo>("Memo1").HasCaption());
    EXPECT_FALSE(form->Get<TTimer>("Timer1").HasCaption());
    EXPECT_TRUE(form->Get<TCheckBox>("cbAsk").HasHintProperties());
    EXPECT_FALSE(form->Get<TMenuItem>("pmiHelp").HasHintProperties());
    Component& item = form->Get<Component>("pmiHelp");
    item.SetCaption("&Hilfe");
    EXPECT_EQ(form->Get<TMenuItem>("pmiHelp").Caption(), "&Hilfe");
}

TEST_F(ComponentsTest, ListViewRowsAndSubItems) {
    auto form = CreateForm<TfrmSample>();
    auto& lv = form->Get<TListView>("lvMain");
    lv.AddColumn({"Hive Name", 205, TextAlign::Left});
    lv.AddColumn({"Current Size", 72, TextAlign::Right});
    EXPECT_EQ(lv.AddItem("\\REGISTRY\\MACHINE\\SYSTEM", {"", "", ""}), 0);
    EXPECT_EQ(lv.AddItem("\\REGISTRY\\USER\\.DEFAULT"), 1);
    lv.SetItemText(1, 3, "12 KB");
    EXPECT_EQ(lv.ItemText(1, 3), "12 KB");
    EXPECT_EQ(lv.ItemText(1, 2), "");
    EXPECT_EQ(lv.ItemText(0, 7), "");
    EXPECT_EQ(lv.Column(1).alignment, TextAlign::Right);
    lv.SetSelected(5);
    EXPECT_EQ(lv.Selected(), -1);
    lv.Clear();
    EXPECT_EQ(lv.ItemCount(), 0);
}

}  // namespace
}  // namespace kelvara::ui::testing
