#include "platform/speed_button.h"

#include "platform/resources.h"
#include "platform/wide_text.h"

namespace vr {

TSpeedButton::TSpeedButton(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption)
    : TWinControl(AOwner, AParent) {
  CreateHandle("BUTTON", BS_OWNERDRAW | BS_PUSHBUTTON, 0, ACaption);
}

void TSpeedButton::SetDown(bool Value) {
  if (GroupIndex == 0) Value = false;
  if (Value == FDown) return;
  if (FDown && !AllowAllUp) return;  // only another button of the group raises it
  FDown = Value;
  if (FDown && Parent() != nullptr) {
    for (TControl* c : Parent()->Controls()) {
      auto* b = dynamic_cast<TSpeedButton*>(c);
      if (b != nullptr && b != this && b->GroupIndex == GroupIndex && b->FDown) {
        b->FDown = false;
        b->Invalidate();
      }
    }
  }
  Invalidate();
}

void TSpeedButton::Click() {
  if (GroupIndex != 0) {
    if (!FDown) SetDown(true);
    else if (AllowAllUp) SetDown(false);
  }
  TWinControl::Click();
}

void TSpeedButton::SetGlyph(const char* ResourceName, int NumGlyphs) {
  FGlyph = LoadBitmapResource(ResourceName);
  FNumGlyphs = NumGlyphs < 1 ? 1 : NumGlyphs;
  Invalidate();
}

bool TSpeedButton::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED)) {
    Click();
    return true;
  }
  if (Msg == WM_DRAWITEM) {
    Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    Result = TRUE;
    return true;
  }
  return false;
}

LRESULT TSpeedButton::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  // Speed buttons do not take the focus away from the edit being typed in.
  if (Msg == WM_SETFOCUS) {
    HWND previous = reinterpret_cast<HWND>(wParam);
    if (previous != nullptr && IsWindow(previous)) SetFocus(previous);
    return 0;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

void TSpeedButton::Draw(const DRAWITEMSTRUCT& Item) {
  HDC dc = Item.hDC;
  RECT r = Item.rcItem;
  bool pressed = (Item.itemState & ODS_SELECTED) != 0;
  bool sunken = pressed || FDown;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (FDown && !pressed) {
    // A button that stays down shows a lighter, checkered face.
    WORD bits[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    TBitmapHandle pattern(CreateBitmap(8, 8, 1, 1, bits));
    TBrushHandle brush(CreatePatternBrush(pattern.Get()));
    COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
    COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    FillRect(dc, &inner, brush.Get());
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
  }
  DrawEdge(dc, &r, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  int shift = sunken ? 1 : 0;
  bool enabled = (Item.itemState & ODS_DISABLED) == 0;
  if (FGlyph) {
    BITMAP bm{};
    GetObjectA(FGlyph.Get(), sizeof bm, &bm);
    int w = bm.bmWidth / FNumGlyphs, h = bm.bmHeight;
    int index = (FNumGlyphs > 1 && FDown) ? 1 : 0;
    TMemoryDC src(CreateCompatibleDC(dc));
    TSelectObject sel(src.Get(), FGlyph.Get());
    int x = (r.left + r.right - w) / 2 + shift, y = (r.top + r.bottom - h) / 2 + shift;
    TransparentBlt(dc, x, y, w, h, src.Get(), index * w, 0, w, h, RGB(128, 128, 0));
  } else {
    std::string text = Caption();
    RECT tr = r;
    OffsetRect(&tr, shift, shift);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawAnsiText(dc, text, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

}  // namespace vr
