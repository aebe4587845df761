// The arrow pair: clicks, auto-repeat in virtual time, its own keys, the
// geometry of the spin edit around it and the arrow pictures.
#include <doctest/doctest.h>

#include "controls/owner_draw.h"
#include "controls/controls_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

LPARAM CentreOf(const TTimerSpeedButton& Button) {
  return MAKELPARAM(Button.Left() + Button.Width() / 2, Button.Top() + Button.Height() / 2);
}

void Press(TSpinButton& Pair, LPARAM At) { SendMessageA(Pair.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At); }
void Release(TSpinButton& Pair, LPARAM At) { SendMessageA(Pair.Handle(), WM_LBUTTONUP, 0, At); }

struct TSpinHost {
  TControlsFixture Host;
  TSpinEdit* Spin;
  TSpinButton* Pair;
  int Changes = 0;
  TSpinHost() {
    Spin = Host.Make<TSpinEdit>();
    Spin->SetBounds(10, 10, 81, 22);
    Spin->MinValue = 0;
    Spin->MaxValue = 1000;
    Spin->OnChange = [this](TObject*) { ++Changes; };
    Pair = Spin->Button();
  }
};

}  // namespace

TEST_CASE("holding the up arrow for one second from 0 steps 8 times") {
  TSpinHost h;
  TTimerSpeedButton* up = h.Pair->UpButton();
  const LPARAM at = CentreOf(*up);

  Press(*h.Pair, at);
  CHECK(up->ShownPressed());
  CHECK(GetFocus() == h.Spin->Handle());  // the press gives the edit the focus
  h.Host.Clock.Advance(399);
  CHECK(h.Spin->Value() == 0);
  h.Host.Clock.Advance(1);  // 400 ms: the first repeat
  CHECK(h.Spin->Value() == 1);
  h.Host.Clock.Advance(100);
  CHECK(h.Spin->Value() == 2);
  h.Host.Clock.Advance(500);  // 600 ... 1000 ms
  CHECK(h.Spin->Value() == 7);
  Release(*h.Pair, at);  // and one on release over the button
  CHECK(h.Spin->Value() == 8);
  CHECK(h.Changes == 8);
  CHECK_FALSE(up->ShownPressed());

  h.Host.Clock.Advance(1000);  // the repeat has stopped
  CHECK(h.Spin->Value() == 8);
  CHECK_FALSE(h.Host.Clock.Ticking(up->RepeatTimer()));
}

TEST_CASE("a short click steps once; held off the button the repeat waits; released off it, no step") {
  TSpinHost h;
  TTimerSpeedButton* up = h.Pair->UpButton();
  const LPARAM at = CentreOf(*up);
  const LPARAM outside = MAKELPARAM(up->Width() / 2, 60);

  Press(*h.Pair, at);
  Release(*h.Pair, at);
  CHECK(h.Spin->Value() == 1);

  Press(*h.Pair, at);
  h.Host.Clock.Advance(400);
  CHECK(h.Spin->Value() == 2);
  SendMessageA(h.Pair->Handle(), WM_MOUSEMOVE, MK_LBUTTON, outside);
  CHECK_FALSE(up->ShownPressed());
  h.Host.Clock.Advance(300);
  CHECK(h.Spin->Value() == 2);
  SendMessageA(h.Pair->Handle(), WM_MOUSEMOVE, MK_LBUTTON, at);
  h.Host.Clock.Advance(100);
  CHECK(h.Spin->Value() == 3);
  SendMessageA(h.Pair->Handle(), WM_MOUSEMOVE, MK_LBUTTON, outside);
  Release(*h.Pair, outside);
  CHECK(h.Spin->Value() == 3);
}

TEST_CASE("Fast at 10: the down arrow leaves it at 10 without OnChange") {
  TSpinHost h;
  h.Spin->MinValue = 10;
  h.Spin->Increment = 10;
  h.Spin->SetValue(10);
  h.Changes = 0;
  TTimerSpeedButton* down = h.Pair->DownButton();
  Press(*h.Pair, CentreOf(*down));
  Release(*h.Pair, CentreOf(*down));
  CHECK(h.Spin->Text() == "10");
  CHECK(h.Changes == 0);
  CHECK(h.Pair->FocusedButton() == down);
}

TEST_CASE("an error from a repeated step stops the repeat and reaches the error box") {
  TSpinHost h;
  bool fail = true;
  h.Spin->OnChange = [&](TObject*) {
    if (fail) {
      fail = false;
      throw Exception("Step refused");
    }
  };
  TTimerSpeedButton* up = h.Pair->UpButton();
  Press(*h.Pair, CentreOf(*up));
  h.Host.Clock.Advance(400);
  REQUIRE(h.Host.Boxes.size() == 1);
  CHECK(h.Host.Boxes[0].Text == "Step refused.");
  CHECK_FALSE(h.Host.Clock.Ticking(up->RepeatTimer()));
  h.Host.Clock.Advance(500);
  CHECK(h.Spin->Value() == 1);
  Release(*h.Pair, CentreOf(*up));
  CHECK(h.Spin->Value() == 2);
}

TEST_CASE("the arrow pair's own keys: Space clicks the focused button, the arrows pick and click") {
  TSpinHost h;
  h.Spin->SetValue(5);
  SendMessageA(h.Pair->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  CHECK(h.Spin->Value() == 6);  // the up button is focused at first
  SendMessageA(h.Pair->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(h.Pair->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  CHECK(h.Spin->Value() == 4);
  CHECK(h.Pair->FocusedButton() == h.Pair->DownButton());
  SendMessageA(h.Pair->Handle(), WM_KEYDOWN, VK_UP, 0);
  CHECK(h.Spin->Value() == 5);
  CHECK(h.Pair->FocusedButton() == h.Pair->UpButton());
}

TEST_CASE("geometry: minimum height, arrows at the right edge, text left of them") {
  // Fonts of 20 and 10 pixels, one taller and one shorter than the system
  // font (16 pixels under Wine at 96 dpi).
  TFontHandle tall(CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  TFontHandle small(CreateFontA(10, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  TSpinHost h;
  TSpinEdit& spin = *h.Spin;
  // Four borders of 1, the text height, a quarter of the smaller of the
  // system font's and the font's height, 2: the form's 8-point font is 13
  // pixels high, so 4 + 13 + 3 + 2.
  CHECK(spin.MinHeight() == 22);
  spin.SetBounds(10, 10, 81, 5);
  CHECK(spin.Height() == 22);
  HFONT formFont = spin.Font();
  spin.SetFont(tall.Get());  // 4 + 20 + 16 / 4 + 2; the box grows to it
  CHECK(spin.MinHeight() == 30);
  CHECK(spin.Height() == 30);
  spin.SetFont(small.Get());  // 4 + 10 + 10 / 4 + 2
  CHECK(spin.MinHeight() == 18);
  spin.SetBounds(10, 10, 81, 5);
  CHECK(spin.Height() == 18);
  spin.SetFont(formFont);
  spin.SetBounds(10, 10, 97, 40);
  CHECK(spin.Height() == 40);

  TSpinButton& pair = *h.Pair;
  CHECK(pair.Width() == 15);
  CHECK(pair.Left() == 97 - 15 - 5);
  CHECK(pair.Top() == 0);
  CHECK(pair.Height() == 35);
  CHECK(pair.UpButton()->BoundsRect().top == 0);
  CHECK(pair.UpButton()->Height() == 17);
  CHECK(pair.DownButton()->Top() == 16);  // overlaps the up button's last row
  CHECK(pair.DownButton()->BoundsRect().bottom == 35);
  const RECT r = spin.TextRect();
  CHECK(r.right <= pair.Left());
  CHECK(r.right >= pair.Left() - 8);  // less the edit's own margins

  pair.SetBounds(0, 0, 9, 20);  // never narrower than 15
  CHECK(pair.Width() == 15);

  const SIZE upGlyph = PictureSize(pair.UpButton()->Glyph());
  const SIZE downGlyph = PictureSize(pair.DownButton()->Glyph());
  CHECK(upGlyph.cx == 9);
  CHECK(upGlyph.cy == 6);
  CHECK(downGlyph.cx == 9);
  CHECK(downGlyph.cy == 6);
}

