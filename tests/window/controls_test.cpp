// Components, forms, controls, speed buttons, panels, timers, message boxes and pictures of controls, driven
// through real Qt input on the offscreen platform.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTest>

#include "framework/window/bitmap.h"
#include "framework/window/buttons.h"
#include "framework/window/dialogs.h"
#include "framework/window/ext_ctrls.h"
#include "framework/window/forms.h"
#include "framework/window/render.h"
#include "framework/window/timer.h"
#include "window_support.h"

namespace {

// Records the removal notifications it receives.
class Watcher : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<TComponent*> removed;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove) removed.push_back(c);
    }
};

class PaintedControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int paints = 0;

protected:
    void Paint() override {
        ++paints;
        Canvas().Brush().SetColor(clRed);
        Canvas().FillRect(Rect(0, 0, 10, 10));
    }
};

}  // namespace

TEST(ComponentTest, OwnerFreesItsComponentsAndEveryoneHearsOfRemovals) {
    Watcher owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Alpha");
    auto* b = new TComponent(&owner);
    b->SetName("Beta");
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.FindComponent("alpha"), a);
    EXPECT_THROW(b->SetName("ALPHA"), EComponentError);
    EXPECT_THROW(b->SetName("not valid"), EComponentError);

    Watcher outsider(nullptr);
    outsider.FreeNotification(b);
    delete b;
    EXPECT_EQ(owner.ComponentCount(), 1);
    ASSERT_EQ(outsider.removed.size(), 1u);
    EXPECT_EQ(outsider.removed[0], b);
    EXPECT_NE(std::find(owner.removed.begin(), owner.removed.end(), b), owner.removed.end());
}

TEST(FormTest, OnCreateRunsAfterConstructionAndItsExceptionIsShown) {
    struct Form : TForm {
        explicit Form(TComponent* owner) : TForm(owner) {
            OnCreate = [this](TComponent&) { created = true; throw Exception("Table does not exist"); };
        }
        bool created = false;
    };
    TMessageBoxRecorder boxes;
    Application->SetTitle("Velmora");
    Form* form = Application->CreateForm<Form>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->created);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Text, "Table does not exist.");
    EXPECT_EQ(boxes.Requests()[0].Caption, "Velmora");
    EXPECT_EQ(boxes.Requests()[0].Kind, mtError);
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_STREQ(ResolvedFontFamily(*form), "DejaVu Sans");
    delete form;
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(MessageBoxTest, HookAnswersAndRecordsEveryBox) {
    TMessageBoxRecorder boxes(mrNo);
    boxes.Answer(mrYes);
    EXPECT_EQ(MessageDlg("Discard changes to this record?", mtConfirmation, mbYesNo), mrYes);
    EXPECT_EQ(MessageDlg("Again?", mtConfirmation, mbYesNo), mrNo);
    ShowMessage("Done");
    MessageBeep(0);
    ASSERT_EQ(boxes.Requests().size(), 3u);
    EXPECT_EQ(boxes.Requests()[0].Caption, "Confirm");
    EXPECT_TRUE(boxes.Requests()[0].Buttons == mbYesNo);
    EXPECT_EQ(boxes.Requests()[2].Kind, mtInformation);
    EXPECT_TRUE(boxes.Requests()[2].Buttons == TMsgDlgButtons{mbOK});
    EXPECT_EQ(boxes.Beeps().size(), 1u);
}

TEST(ControlTest, PaintsIntoAPictureWithBoundsAndChildren) {
    TForm form(nullptr);
    form.SetClientWidth(60);
    form.SetClientHeight(40);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 5, 30, 20);
    auto* inner = new PaintedControl(&form);
    inner->SetParent(panel);
    inner->SetBounds(5, 5, 12, 12);
    EXPECT_EQ(panel->ControlCount(), 1);
    EXPECT_EQ(inner->ClientToParent(Point(0, 0)), Point(5, 5));

    TBitmap picture;
    RenderToBitmap(form, picture);
    ASSERT_EQ(picture.Width(), 60);
    EXPECT_EQ(picture.Pixel(2, 2), ColorToRGB(clBtnFace));              // the form
    EXPECT_EQ(picture.Pixel(10, 5), ColorToRGB(clBtnHighlight));        // the panel's raised bevel, top left
    EXPECT_EQ(picture.Pixel(39, 24), ColorToRGB(clBtnShadow));          // ... bottom right
    EXPECT_EQ(picture.Pixel(16, 11), clRed);                            // the child's own paint
    EXPECT_EQ(picture.Pixel(26, 11), clWhite);  // the child's own background (clWindow) right of its 10 red pixels
    EXPECT_GT(inner->paints, 0);

    // Lowered bevels swap the colours; a hidden child disappears from the picture.
    panel->SetBevelOuter(bvLowered);
    inner->Hide();
    RenderToBitmap(form, picture);
    EXPECT_EQ(picture.Pixel(10, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(picture.Pixel(16, 11), ColorToRGB(clBtnFace));

    TempFolder dir;
    RenderToPng(form, dir.File("form.png"));
    TBitmap back;
    back.LoadFromFile(dir.File("form.png"));
    EXPECT_EQ(back.Pixel(10, 5), ColorToRGB(clBtnShadow));
}

TEST(SpeedButtonTest, ClicksOnReleaseInsideAndShowsItsPressedState) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 100, 60);
    auto* button = new TSpeedButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 25, 25);
    int clicks = 0;
    button->OnClick = [&](TComponent&) { ++clicks; };
    form.Show();

    Click(*button, 12, 12);
    EXPECT_EQ(clicks, 1);

    // Pressed: the sunken edge shows; dragged out and released outside: no click.
    Press(*button, 12, 12);
    EXPECT_TRUE(button->MouseCapture());
    EXPECT_EQ(button->State(), bsDown);
    TBitmap down;
    RenderToBitmap(*button, down);
    EXPECT_EQ(down.Pixel(0, 0), ColorToRGB(clBtnShadow));
    DragTo(*button, 60, 40);
    EXPECT_EQ(button->State(), bsUp);
    Release(*button, 60, 40);
    EXPECT_EQ(clicks, 1);
    TBitmap up;
    RenderToBitmap(*button, up);
    EXPECT_EQ(up.Pixel(0, 0), ColorToRGB(cl3DLight));

    button->SetEnabled(false);
    EXPECT_EQ(button->State(), bsDisabled);
    Click(*button, 12, 12);
    EXPECT_EQ(clicks, 1);
}

TEST(SpeedButtonTest, GroupedButtonsStayDownOneAtATime) {
    TForm form(nullptr);
    auto* a = new TSpeedButton(&form);
    auto* b = new TSpeedButton(&form);
    for (TSpeedButton* x : {a, b}) {
        x->SetParent(&form);
        x->SetGroupIndex(1);
    }
    b->SetLeft(30);
    form.Show();
    a->SetDown(true);
    EXPECT_EQ(a->State(), bsExclusive);
    Click(*b, 5, 5);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    Click(*b, 5, 5);  // without AllowAllUp the last one stays down
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    Click(*b, 5, 5);
    EXPECT_FALSE(b->Down());
    TSpeedButton lone(nullptr);
    lone.SetDown(true);  // no group: never down
    EXPECT_FALSE(lone.Down());
}

TEST(SpeedButtonTest, GlyphIsDrawnWithItsTransparentColour) {
    TForm form(nullptr);
    auto* button = new TSpeedButton(&form);
    button->SetParent(&form);
    button->SetBounds(0, 0, 24, 24);
    TBitmap glyph(8, 8);
    glyph.Canvas().Brush().SetColor(clFuchsia);
    glyph.Canvas().FillRect(Rect(0, 0, 8, 8));
    glyph.Canvas().Brush().SetColor(clBlue);
    glyph.Canvas().FillRect(Rect(2, 2, 6, 6));
    button->SetGlyph(glyph);
    TBitmap picture;
    RenderToBitmap(*button, picture);
    // Centred: the glyph's 8 pixels start at 8; its fuchsia background is left out.
    EXPECT_EQ(picture.Pixel(11, 11), clBlue);
    EXPECT_EQ(picture.Pixel(8, 8), ColorToRGB(clBtnFace));
}

TEST(TimerTest, FiresOnTheEventLoopUntilDisabled) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(10);
    timer.SetOnTimer([&](TComponent&) { ++ticks; });
    ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    int seen = ticks;
    QTest::qWait(40);
    EXPECT_EQ(ticks, seen);
}

TEST(TimerTest, AnExceptionInTheHandlerGoesToTheExceptionDisplay) {
    TMessageBoxRecorder boxes;
    TTimer timer(nullptr);
    timer.SetInterval(5);
    timer.SetOnTimer([&](TComponent& t) {
        static_cast<TTimer&>(t).SetEnabled(false);
        throw Exception("Field 'TITLE' not found");
    });
    ASSERT_TRUE(WaitFor([&] { return !boxes.Requests().empty(); }));
    EXPECT_EQ(boxes.Requests()[0].Text, "Field 'TITLE' not found.");
}

TEST(ControlTest, ScrollBarInfoShowsAndHidesTheBarAndTakesClientRoom) {
    struct Scroller : TCustomControl {
        using TCustomControl::TCustomControl;
        std::vector<TScrollCode> codes;
        void ScrollEvent(TScrollBarKind, TScrollCode code, int) override { codes.push_back(code); }
    };
    TForm form(nullptr);
    auto* s = new Scroller(&form);
    s->SetParent(&form);
    s->SetBounds(0, 0, 100, 100);
    EXPECT_EQ(s->ClientWidth(), 100);
    s->SetScrollInfo(sbVertical, TScrollInfo{1, 1001, 1000, 1, 0}, true);
    EXPECT_TRUE(s->ScrollBarVisible(sbVertical));
    EXPECT_EQ(s->ClientWidth(), 84);
    EXPECT_EQ(s->GetScrollInfo(sbVertical).Page, 1000);
    s->SetScrollInfo(sbVertical, TScrollInfo{0, 0, 0, 0, 0}, true);
    EXPECT_FALSE(s->ScrollBarVisible(sbVertical));
    EXPECT_EQ(s->ClientWidth(), 100);
}
