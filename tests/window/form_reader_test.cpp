// The stored form description: a form built from text with nested objects, references, sets, string lists and
// events, and every kind of bad input reported with its line and leaving nothing half built.
#include <gtest/gtest.h>

#include "framework/data/strings.h"
#include "framework/window/buttons.h"
#include "framework/window/ext_ctrls.h"
#include "framework/window/form_reader.h"
#include "framework/window/forms.h"
#include "framework/window/timer.h"
#include "window_support.h"

namespace {

// A component of the kind the layers above register: a string list, a reference and an enumeration.
class TListHolder : public TComponent {
public:
    using TComponent::TComponent;
    TStringList lines;
    TSpeedButton* target = nullptr;
    TAlignment alignment = taLeftJustify;
};

class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner) : TForm(owner) {
        DefineMethod<void(TComponent&)>("FormCreate", [this](TComponent&) { ++creates; });
        DefineMethod<void(TComponent&, int)>("WrongShape", [](TComponent&, int) {});
    }
    int creates = 0;
};

void RegisterTestClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    TFormClasses& r = TFormClasses::Instance();
    r.RegisterClass<TTestForm>("TTestForm", "TForm");
    r.RegisterCreatable<TListHolder>("TListHolder", "TComponent");
    r.RegisterStrings<TListHolder>("TListHolder", "Lines.Strings", [](TListHolder& h) -> TStrings& { return h.lines; });
    r.RegisterReference<TListHolder, TSpeedButton>("TListHolder", "Target",
                                                   [](TListHolder& h, TSpeedButton* b) { h.target = b; });
    r.RegisterEnum<TListHolder, TAlignment>(
        "TListHolder", "Alignment", {{"taLeftJustify", taLeftJustify}, {"taCenter", taCenter}},
        [](TListHolder& h, TAlignment a) { h.alignment = a; });
}

const char* kForm = R"(object Form1: TTestForm
  Left = 321
  Top = 156
  Width = 408
  Height = 450
  Caption = 'Velmora'
  Color = clBtnFace
  Font.Name = 'MS Sans Serif'
  Font.Height = -11
  Font.Style = [fsBold, fsItalic]
  OldCreateOrder = False
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Holder: TListHolder
    Lines.Strings = (
      'TITLE'#9'55'#9'TITLE'
      'It''s')
    Target = Button1
    Alignment = taCenter
  end
  object Panel1: TPanel
    Left = 16
    Top = 392
    Width = 50
    Height = 25
    BevelOuter = bvNone
    object Button1: TSpeedButton
      Left = 25
      Width = 25
      Height = 25
      Caption = '&Install' + ' Screensaver'
      Flat = True
      Enabled = False
    end
  end
  object Timer1: TTimer
    Interval = 100
    Enabled = False
  end
end
)";

}  // namespace

TEST(FormReaderTest, BuildsComponentsNestedObjectsReferencesSetsAndLists) {
    RegisterTestClasses();
    TTestForm form(nullptr);
    TFormReader::ReadComponent(form, kForm);
    form.AfterConstruction();
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Caption(), "Velmora");
    EXPECT_EQ(form.BoundsRect(), Bounds(321, 156, 408, 450));
    EXPECT_TRUE(form.Font().Style() == (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(form.creates, 1);
    EXPECT_FALSE(form.Loading());

    auto* holder = dynamic_cast<TListHolder*>(form.FindComponent("Holder"));
    auto* panel = dynamic_cast<TPanel*>(form.FindComponent("Panel1"));
    auto* button = dynamic_cast<TSpeedButton*>(form.FindComponent("Button1"));
    auto* timer = dynamic_cast<TTimer*>(form.FindComponent("Timer1"));
    ASSERT_TRUE(holder && panel && button && timer);
    ASSERT_EQ(holder->lines.Count(), 2);
    EXPECT_EQ(holder->lines[0], "TITLE\t55\tTITLE");
    EXPECT_EQ(holder->lines[1], "It's");
    EXPECT_EQ(holder->target, button);  // a reference to a component defined after it
    EXPECT_EQ(holder->alignment, taCenter);
    EXPECT_EQ(panel->Parent(), &form);
    EXPECT_EQ(button->Parent(), panel);
    EXPECT_EQ(button->Owner(), &form);
    EXPECT_EQ(button->Caption(), "&Install Screensaver");
    EXPECT_TRUE(button->Flat());
    EXPECT_FALSE(button->Enabled());
    EXPECT_EQ(button->BoundsRect(), Bounds(25, 0, 25, 25));
    EXPECT_EQ(panel->BevelOuter(), bvNone);
    EXPECT_EQ(timer->Interval(), 100);
    EXPECT_FALSE(timer->Enabled());
}

TEST(FormReaderTest, BadInputNamesItsLineAndLeavesNothingBehind) {
    RegisterTestClasses();
    struct Case {
        const char* what;
        const char* text;
        int line;
        const char* fragment;
    } cases[] = {
        {"unknown class", "object Form1: TTestForm\n  object X: TNoSuchClass\n  end\nend\n", 2, "unknown class TNoSuchClass"},
        {"unknown property", "object Form1: TTestForm\n  Left = 1\n  Colour = clRed\nend\n", 3, "unknown property Colour"},
        {"wrong type", "object Form1: TTestForm\n  object P: TPanel\n    Width = 'wide'\n  end\nend\n", 3, "expects an integer"},
        {"bad boolean", "object Form1: TTestForm\n  OldCreateOrder = Maybe\nend\n", 2, "True or False"},
        {"bad enumeration", "object Form1: TTestForm\n  object P: TPanel\n    BevelOuter = bvDeep\n  end\nend\n", 3, "bvDeep"},
        {"bad set element", "object Form1: TTestForm\n  Font.Style = [fsBold, fsHeavy]\nend\n", 2, "fsHeavy"},
        {"unterminated block", "object Form1: TTestForm\n  object P: TPanel\n    Left = 1\nend\n", 1, "not closed"},
        {"unterminated string", "object Form1: TTestForm\n  Caption = 'Velmora\nend\n", 2, "unterminated string"},
        {"missing reference", "object Form1: TTestForm\n  object H: TListHolder\n    Target = Nobody\n  end\nend\n", 3, "no component named Nobody"},
        {"reference of the wrong class", "object Form1: TTestForm\n  object H: TListHolder\n    Target = H\n  end\nend\n", 3, "wrong class"},
        {"unknown handler", "object Form1: TTestForm\n  OnCreate = NoSuchHandler\nend\n", 2, "no handler named"},
        {"handler of the wrong shape", "object Form1: TTestForm\n  OnCreate = WrongShape\nend\n", 2, "does not fit"},
        {"duplicate name", "object Form1: TTestForm\n  object P: TPanel\n  end\n  object P: TPanel\n  end\nend\n", 4, "already exists"},
        {"list of non-strings", "object Form1: TTestForm\n  object H: TListHolder\n    Lines.Strings = ( 1 2 )\n  end\nend\n", 3, "holds strings"},
        {"root of another class", "object Form1: TPanel\nend\n", 1, "TPanel"},
        {"empty text", "", 1, "empty"},
        {"text after the root", "object Form1: TTestForm\nend\nend\n", 3, "after the end"},
        {"number too large", "object Form1: TTestForm\n  Left = 99999999999\nend\n", 2, "out of range"},
    };
    for (const Case& k : cases) {
        TTestForm form(nullptr);
        auto* keep = new TPanel(&form);  // made before reading: must survive
        keep->SetName("Kept");
        keep->SetParent(&form);
        try {
            TFormReader::ReadComponent(form, k.text);
            ADD_FAILURE() << k.what << ": no error";
        } catch (const EFormDescriptionError& e) {
            EXPECT_EQ(e.Line(), k.line) << k.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(k.fragment), std::string::npos) << k.what << ": " << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(k.line) + ": ", 0), 0u) << e.what();
        }
        EXPECT_EQ(form.ComponentCount(), 1) << k.what;
        EXPECT_EQ(form.ControlCount(), 1) << k.what;
        EXPECT_EQ(form.FindComponent("Kept"), keep) << k.what;
        EXPECT_FALSE(form.Loading()) << k.what;
    }
}
