#include "platform/std_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/wide_text.h"

namespace vr {

// --------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption)
    : TWinControl(AOwner, AParent) {
  CreateHandle("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, ACaption);
}

void TCheckBox::SetChecked(bool Value) {
  if (Value == Checked()) return;
  SendMessageA(Handle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  Click();
}

LRESULT TCheckBox::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  // Every change of the state passes here, whoever makes it.
  if (Msg == BM_SETCHECK) FChecked = wParam == BST_CHECKED;
  return TWinControl::WndProc(Msg, wParam, lParam);
}

bool TCheckBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    FChecked = SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
    return true;
  }
  return false;
}

// ------------------------------------------------------------- TCustomEdit

int TCustomEdit::SelStart() const {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int TCustomEdit::SelLength() const {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSel(int Start, int Length) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(Start), Length < 0 ? -1 : Start + Length);
}

bool TCustomEdit::ReadOnly() const { return (GetWindowLongA(Handle(), GWL_STYLE) & ES_READONLY) != 0; }

void TCustomEdit::SetReadOnly(bool Value) { SendMessageA(Handle(), EM_SETREADONLY, Value ? TRUE : FALSE, 0); }

bool TCustomEdit::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    Change();
    return true;
  }
  return false;
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

TEdit::TEdit(TComponent* AOwner, TWinControl* AParent, const std::string& AText, DWORD ExtraStyle)
    : TCustomEdit(AOwner, AParent) {
  CreateHandle("EDIT", ES_AUTOHSCROLL | WS_TABSTOP | ExtraStyle, WS_EX_CLIENTEDGE, AText);
}

// ------------------------------------------------------------------- TMemo

TMemo::TMemo(TComponent* AOwner, TWinControl* AParent) : TCustomEdit(AOwner, AParent) {
  CreateHandle("EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, "");
  SendMessageA(Handle(), EM_SETLIMITTEXT, 0, 0);  // a long run logs many lines
}

void TMemo::Clear() { SetCaption(""); }

void TMemo::Add(const std::string& Line) {
  std::string text = Line + "\r\n";
  int end = GetWindowTextLengthA(Handle());
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageA(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

// ------------------------------------------------------------------ TLabel

TLabel::TLabel(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption)
    : TWinControl(AOwner, AParent) {
  // Asked to notify, the system's label takes the mouse and reports clicks;
  // otherwise clicks go through it to the window behind.
  CreateHandle("STATIC", SS_LEFT | SS_NOTIFY, 0, ACaption);
}

bool TLabel::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg != WM_COMMAND || HIWORD(wParam) != STN_CLICKED) return false;
  Click();
  Result = 0;
  return true;
}

void TLabel::SetFontStyle(bool Bold, bool Italic, int PixelHeight) {
  LOGFONTA lf{};
  HFONT base = Parent() != nullptr ? Parent()->Font() : nullptr;
  if (base == nullptr || GetObjectA(base, sizeof lf, &lf) == 0) GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Italic ? TRUE : FALSE;
  if (PixelHeight != 0) lf.lfHeight = -Scaled(PixelHeight);
  FBold = Bold;
  FItalic = Italic;
  FPixelHeight = PixelHeight;
  TFontHandle font(CreateFontIndirectA(&lf));
  SetFont(font.Get());
  FOwnFont = std::move(font);
}

void TLabel::ScaleChanged() {
  if (FOwnFont) SetFontStyle(FBold, FItalic, FPixelHeight);
  if (FAutoSized) AutoSize();
}

void TLabel::AutoSize() {
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
  std::string text = Caption();
  RECT r{0, 0, 0, 0};
  DrawAnsiText(dc, text, r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  SetBounds(Left(), Top(), r.right - r.left, std::max<int>(r.bottom - r.top, Scaled(13)));
  FAutoSized = true;
}

// ------------------------------------------------------------------ TPanel

TPanel::TPanel(TComponent* AOwner, TWinControl* AParent, bool SingleBorder)
    : TCustomControl(AOwner, AParent, SingleBorder ? WS_BORDER : 0, WS_EX_CONTROLPARENT) {}

int TPanel::BorderInset() const {
  int n = 0;
  if (BevelOuter != TBevelCut::bvNone) n += BevelWidth;
  if (BevelInner != TBevelCut::bvNone) n += BevelWidth;
  return n;
}

RECT TPanel::AlignRect() const {
  RECT r = TWinControl::AlignRect();
  int n = BorderInset();
  InflateRect(&r, -n, -n);
  return r;
}

void TPanel::Paint(TCanvas& Canvas) {
  RECT r;
  GetClientRect(Handle(), &r);
  Canvas.BrushColor = Color;
  Canvas.FillRect(r);
  auto bevel = [&](TBevelCut cut) {
    if (cut == TBevelCut::bvNone) return;
    UINT edge = cut == TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER;
    for (int i = 0; i < BevelWidth; ++i) {
      DrawEdge(Canvas.Handle(), &r, edge, BF_RECT);
      InflateRect(&r, -1, -1);
    }
  };
  bevel(BevelOuter);
  bevel(BevelInner);
}

// --------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption)
    : TWinControl(AOwner, AParent) {
  CreateHandle("BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, ACaption);
}

LRESULT TGroupBox::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_ERASEBKGND) {
    // The system's group box paints only its frame and caption.
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

// ---------------------------------------------------------------- TToolBar

TToolBar::TToolBar(TComponent* AOwner, TWinControl* AParent) : TPanel(AOwner, AParent) {
  BevelOuter = TBevelCut::bvNone;
}

void TToolBar::AlignControls() {
  int x = 0;
  for (TControl* c : Controls()) {
    if (!c->Visible()) continue;
    c->SetBounds(x, Scaled(2), c->Width(), c->Height());
    x += c->Width();
  }
}

TToolSeparator::TToolSeparator(TComponent* AOwner, TWinControl* AParent, int AWidth)
    : TGraphicControl(AOwner, AParent) {
  SetBounds(0, 0, AWidth, 22);
}

}  // namespace vr
