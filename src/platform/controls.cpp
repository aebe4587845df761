#include "platform/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <utility>

#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/scope_guard.h"
#include "platform/wide_text.h"

namespace vr {

namespace {

const char kObjectProp[] = "VistaroamControl";
const char kOwnClass[] = "VistaroamControl";
int gNextControlId = 1000;

LRESULT CALLBACK InitialWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Our own class: the object arrives with WM_NCCREATE and is attached then,
  // so that every later message reaches it.
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<TWinControl*>(cs->lpCreateParams);
    if (self != nullptr) {
      SetPropA(wnd, kObjectProp, self);
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StdWndProc));
      return TWinControl::StdWndProc(wnd, msg, wParam, lParam);
    }
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

void RegisterOwnClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = InitialWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kOwnClass;
  RegisterClassA(&wc);
  registered = true;
}

// One tooltip window per top-level window shows the hints of its controls.
std::map<HWND, HWND> gTooltips;

HWND TooltipFor(HWND top) {
  auto it = gTooltips.find(top);
  if (it != gTooltips.end() && IsWindow(it->second)) return it->second;
  HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  gTooltips[top] = tip;
  return tip;
}

void SetToolHint(HWND wnd, const std::string& hint) {
  HWND top = GetAncestor(wnd, GA_ROOT);
  if (top == nullptr) return;
  HWND tip = TooltipFor(top);
  if (tip == nullptr) return;
  TTTOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = top;
  ti.uId = reinterpret_cast<UINT_PTR>(wnd);
  SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  if (hint.empty()) return;
  ti.lpszText = const_cast<char*>(hint.c_str());
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

// Brushes for control backgrounds, one per colour, kept for the whole run.
HBRUSH SolidBrush(COLORREF Color) {
  static std::map<COLORREF, TBrushHandle> brushes;
  TBrushHandle& brush = brushes[Color];
  if (!brush) brush.Reset(CreateSolidBrush(Color));
  return brush.Get();
}

}  // namespace

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner, TWinControl* AParent) : TComponent(AOwner), FParent(AParent) {
  if (FParent != nullptr) {
    FParent->FControls.push_back(this);
    FPixelsPerInch = FParent->FPixelsPerInch;
  }
}

TControl::~TControl() {
  if (FParent != nullptr) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (FParent->FMouseControl == this) FParent->FMouseControl = nullptr;
    if (!IsWindowed() && FVisible) FParent->Invalidate();
  }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  RECT r{ALeft, ATop, ALeft + std::max(AWidth, 0), ATop + std::max(AHeight, 0)};
  if (EqualRect(&r, &FBounds)) return;
  if (!IsWindowed() && FParent != nullptr && FVisible) {
    RECT old = FBounds;
    InvalidateRect(FParent->Handle(), &old, TRUE);
  }
  FBounds = r;
  if (IsWindowed()) static_cast<TWinControl*>(this)->UpdateWindowBounds();
  else Invalidate();
  BoundsChanged();
  if (FParent != nullptr && FAlign != TAlign::alNone) FParent->AlignControls();
}

void TControl::ChangeScale(int Dpi) {
  if (Dpi <= 0 || Dpi == FPixelsPerInch) return;
  ScaleRects(Dpi);
  ScaleRules();
}

void TControl::ScaleRects(int Dpi) {
  const int from = std::exchange(FPixelsPerInch, Dpi);
  ScaleBounds(from, Dpi);
}

void TControl::ScaleBounds(int FromDpi, int ToDpi) {
  auto scale = [&](int v) { return MulDiv(v, ToDpi, FromDpi); };
  SetBounds(scale(Left()), scale(Top()), scale(Width()), scale(Height()));
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  if (FParent != nullptr) FParent->AlignControls();
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  if (IsWindowed()) {
    ShowWindow(static_cast<TWinControl*>(this)->Handle(), Value ? SW_SHOWNA : SW_HIDE);
  } else if (FParent != nullptr) {
    InvalidateRect(FParent->Handle(), &FBounds, TRUE);
  }
  VisibleChanged();
  if (FParent != nullptr && FAlign != TAlign::alNone) FParent->AlignControls();
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Invalidate();
}

void TControl::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Invalidate();
}

void TControl::SetHint(const std::string& Value) {
  FHint = Value;
  if (IsWindowed()) SetToolHint(static_cast<TWinControl*>(this)->Handle(), Value);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::Invalidate() {
  if (FParent != nullptr && FParent->Handle() != nullptr && FVisible)
    InvalidateRect(FParent->Handle(), &FBounds, FALSE);
}

// ------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* AOwner, TWinControl* AParent) : TControl(AOwner, AParent) {}

TWinControl::~TWinControl() {
  for (TControl* child : FControls) child->FParent = nullptr;
  if (FHandle != nullptr) {
    HWND wnd = FHandle;
    Detach();
    DestroyWindow(wnd);
  }
}

void TWinControl::CreateHandle(const char* WindowClass, DWORD Style, DWORD ExStyle, const std::string& Text) {
  HWND parent = Parent() != nullptr ? Parent()->Handle() : nullptr;
  if (parent != nullptr) Style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (Visible()) Style |= WS_VISIBLE;
  HMENU id = parent != nullptr ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(gNextControlId++)) : nullptr;
  RECT r = BoundsRect();
  FCaption = Text;
  if (WindowClass == nullptr) {
    RegisterOwnClass();
    FOwnClass = true;
    FDefWndProc = DefWindowProcA;
    FHandle = CreateWindowExA(ExStyle, kOwnClass, Text.c_str(), Style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, parent, id, GetModuleHandleA(nullptr), this);
  } else {
    HWND wnd = CreateWindowExA(ExStyle, WindowClass, Text.c_str(), Style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, id, GetModuleHandleA(nullptr), nullptr);
    if (wnd != nullptr) Attach(wnd);
  }
  if (FHandle == nullptr) throw EOutOfResources(Format("Error creating window of class %s", WindowClass ? WindowClass : kOwnClass));
  if (Parent() != nullptr && Parent()->Font() != nullptr) SetFont(Parent()->Font());
}

void TWinControl::Attach(HWND Wnd) {
  FHandle = Wnd;
  SetPropA(Wnd, kObjectProp, this);
  if (!FOwnClass) {
    FDefWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StdWndProc)));
  }
}

void TWinControl::Detach() {
  if (FHandle == nullptr) return;
  RemovePropA(FHandle, kObjectProp);
  if (!FOwnClass && FDefWndProc != nullptr)
    SetWindowLongPtrA(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
  FHandle = nullptr;
}

TWinControl* TWinControl::FromHandle(HWND Wnd) {
  return Wnd != nullptr ? static_cast<TWinControl*>(GetPropA(Wnd, kObjectProp)) : nullptr;
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* self = FromHandle(Wnd);
  if (self == nullptr) return DefWindowProcA(Wnd, Msg, wParam, lParam);
  if (self->FHandle == nullptr) self->FHandle = Wnd;  // own class, during creation
  LRESULT result = 0;
  try {
    result = self->WndProc(Msg, wParam, lParam);
  } catch (...) {
    Application->HandleException();
  }
  if (Msg == WM_NCDESTROY) {
    // The window is gone (destroyed with its parent, say): the object stays
    // but no longer refers to it.
    if (FromHandle(Wnd) == self) self->Detach();
  } else if (Application->AfterWindowMessage != nullptr) {
    Application->AfterWindowMessage();
  }
  return result;
}

LRESULT TWinControl::DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(FDefWndProc != nullptr ? FDefWndProc : DefWindowProcA, FHandle, Msg, wParam, lParam);
}

LRESULT TWinControl::DispatchReflected(HWND Child, UINT Msg, WPARAM wParam, LPARAM lParam, bool& Handled) {
  LRESULT result = 0;
  TWinControl* target = FromHandle(Child);
  Handled = target != nullptr && target != this && target->Reflected(Msg, wParam, lParam, result);
  return result;
}

LRESULT TWinControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ReflectNotice(Msg, wParam, lParam, result)) return result;
  if (FollowSize(Msg, wParam, lParam, result)) return result;
  if (FOwnClass) {
    switch (Msg) {
      case WM_ERASEBKGND:
        return 1;  // Paint fills the background
      case WM_PAINT:
        PaintOwnClass();
        return 0;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (MouseButtonDown(Msg, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) return 0;
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        if (MouseButtonUp(Msg, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) return 0;
        break;
      default:
        break;
    }
  }
  return DefaultHandler(Msg, wParam, lParam);
}

bool TWinControl::ReflectNotice(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  bool handled = false;
  switch (Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam != 0) Result = DispatchReflected(reinterpret_cast<HWND>(lParam), Msg, wParam, lParam, handled);
      break;
    case WM_NOTIFY:
      Result = DispatchReflected(reinterpret_cast<NMHDR*>(lParam)->hwndFrom, Msg, wParam, lParam, handled);
      break;
    case WM_DRAWITEM:
      if (wParam != 0)
        Result = DispatchReflected(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem, Msg, wParam, lParam, handled);
      break;
    case WM_MEASUREITEM:
      if (wParam != 0) Result = DispatchReflected(GetDlgItem(FHandle, static_cast<int>(wParam)), Msg, wParam, lParam, handled);
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      Result = DispatchReflected(reinterpret_cast<HWND>(lParam), Msg, wParam, lParam, handled);
      if (!handled && Msg != WM_CTLCOLOREDIT && Msg != WM_CTLCOLORLISTBOX) {
        // Labels, check boxes and group boxes are painted in their own colour
        // (the face colour unless set otherwise).
        TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
        TColor color = ColorToRGB(child != nullptr ? child->Color : clBtnFace);
        SetBkColor(reinterpret_cast<HDC>(wParam), color);
        Result = reinterpret_cast<LRESULT>(SolidBrush(color));
        handled = true;
      }
      break;
    default:
      break;
  }
  return handled;
}

bool TWinControl::FollowSize(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  switch (Msg) {
    case WM_SIZE:
      if (FAligning) return false;
      Result = DefaultHandler(Msg, wParam, lParam);
      AlignControls();
      return true;
    case WM_WINDOWPOSCHANGED:
      // Keep the bounds in step with moves made by the system (maximising).
      Result = DefaultHandler(Msg, wParam, lParam);
      if (Parent() == nullptr) {
        RECT r;
        GetWindowRect(FHandle, &r);
        TControl::FBounds = r;
      }
      return true;
    default:
      return false;
  }
}

void TWinControl::PaintOwnClass() {
  // EndPaint runs however the drawing ends: a picture whose drawing fails
  // must not leave its area invalid, or it would be painted, and fail, for
  // ever.
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(FHandle, &ps);
  TScopeGuard endPaint([this, &ps] { EndPaint(FHandle, &ps); });
  int saved = SaveDC(dc);
  for (TControl* c : FControls)
    if (!c->IsWindowed() && c->Visible() && c->IsOpaque()) {
      RECT r = c->BoundsRect();
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  TCanvas canvas(dc);
  Paint(canvas);
  RestoreDC(dc, saved);
  PaintControls(dc, ps.rcPaint);
}

bool TWinControl::MouseButtonDown(UINT Msg, int X, int Y) {
  if (TControl* c = ControlAtPos(X, Y)) {
    FMouseControl = c;
    SetCapture(FHandle);
    c->MouseDown(Msg == WM_RBUTTONDOWN ? TMouseButton::mbRight : TMouseButton::mbLeft, X - c->Left(), Y - c->Top());
    return true;
  }
  if (Msg != WM_RBUTTONDOWN) {
    FMouseControl = this;
    SetCapture(FHandle);
  }
  return false;
}

bool TWinControl::MouseButtonUp(UINT Msg, int X, int Y) {
  TControl* c = FMouseControl;
  FMouseControl = nullptr;
  if (GetCapture() == FHandle) ReleaseCapture();
  if (c == nullptr) return false;
  const TMouseButton button = Msg == WM_RBUTTONUP ? TMouseButton::mbRight : TMouseButton::mbLeft;
  const POINT p{X, Y};
  if (c == this) {
    RECT client;
    GetClientRect(FHandle, &client);
    if (button == TMouseButton::mbLeft && PtInRect(&client, p)) Click();
    return true;
  }
  c->MouseUp(button, X - c->Left(), Y - c->Top());
  RECT r = c->BoundsRect();
  if (button == TMouseButton::mbLeft && PtInRect(&r, p)) c->Click();
  return true;
}

void TWinControl::Paint(TCanvas& Canvas) {
  RECT r;
  GetClientRect(FHandle, &r);
  Canvas.BrushColor = Color;
  Canvas.FillRect(r);
}

void TWinControl::PaintControls(HDC DC, const RECT& Update) {
  for (TControl* c : FControls) {
    if (c->IsWindowed() || !c->Visible()) continue;
    RECT r = c->BoundsRect(), hit;
    if (!IntersectRect(&hit, &r, &Update)) continue;
    int saved = SaveDC(DC);
    IntersectClipRect(DC, r.left, r.top, r.right, r.bottom);
    SetViewportOrgEx(DC, r.left, r.top, nullptr);
    TCanvas canvas(DC);
    c->PaintOn(canvas);
    RestoreDC(DC, saved);
  }
}

TControl* TWinControl::ControlAtPos(int X, int Y) const {
  POINT p{X, Y};
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    RECT r = c->BoundsRect();
    if (!c->IsWindowed() && c->Visible() && c->Enabled() && PtInRect(&r, p)) return c;
  }
  return nullptr;
}

std::string TWinControl::Caption() const {
  if (FHandle == nullptr) return FCaption;
  int n = GetWindowTextLengthA(FHandle);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(FHandle, s.data(), n + 1);
  s.resize(static_cast<size_t>(std::max(n, 0)));
  return s;
}

void TWinControl::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (FHandle != nullptr) SetWindowTextA(FHandle, Value.c_str());
}

void TWinControl::SetEnabled(bool Value) {
  TControl::SetEnabled(Value);
  if (FHandle != nullptr) EnableWindow(FHandle, Value ? TRUE : FALSE);
}

void TWinControl::Invalidate() {
  if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::UpdateWindowBounds() {
  if (FHandle == nullptr) return;
  RECT r = BoundsRect();
  SetWindowPos(FHandle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWinControl::ClientWidth() const {
  RECT r{0, 0, 0, 0};
  if (FHandle != nullptr) GetClientRect(FHandle, &r);
  return r.right;
}

int TWinControl::ClientHeight() const {
  RECT r{0, 0, 0, 0};
  if (FHandle != nullptr) GetClientRect(FHandle, &r);
  return r.bottom;
}

RECT TWinControl::AlignRect() const {
  RECT r{0, 0, 0, 0};
  if (FHandle != nullptr) GetClientRect(FHandle, &r);
  return r;
}

void TWinControl::AlignControls() {
  if (FHandle == nullptr || FAligning) return;
  FAligning = true;
  RECT rest = AlignRect();
  auto place = [](TControl* c, int l, int t, int w, int h) {
    RECT r{l, t, l + std::max(w, 0), t + std::max(h, 0)};
    if (EqualRect(&r, &c->FBounds)) return;
    if (!c->IsWindowed() && c->FParent != nullptr) InvalidateRect(c->FParent->Handle(), &c->FBounds, TRUE);
    c->FBounds = r;
    if (c->IsWindowed()) static_cast<TWinControl*>(c)->UpdateWindowBounds();
    else c->Invalidate();
    c->BoundsChanged();
  };
  auto visible = [](TControl* c, TAlign a) { return c->Visible() && c->Align() == a; };
  for (TControl* c : FControls)
    if (visible(c, TAlign::alTop)) {
      place(c, rest.left, rest.top, rest.right - rest.left, c->Height());
      rest.top += c->Height();
    }
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (visible(*it, TAlign::alBottom)) {
      TControl* c = *it;
      rest.bottom -= c->Height();
      place(c, rest.left, rest.bottom, rest.right - rest.left, c->Height());
    }
  for (TControl* c : FControls)
    if (visible(c, TAlign::alLeft)) {
      place(c, rest.left, rest.top, c->Width(), rest.bottom - rest.top);
      rest.left += c->Width();
    }
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (visible(*it, TAlign::alRight)) {
      TControl* c = *it;
      rest.right -= c->Width();
      place(c, rest.right, rest.top, c->Width(), rest.bottom - rest.top);
    }
  for (TControl* c : FControls)
    if (visible(c, TAlign::alClient)) place(c, rest.left, rest.top, rest.right - rest.left, rest.bottom - rest.top);
  FAligning = false;
}

int TWinControl::TextWidth() const {
  if (FHandle == nullptr) return 0;
  TWindowDC dc(FHandle);
  TSelectObject font(dc.Get(), FFont);
  return AnsiTextExtent(dc.Get(), Caption()).cx;
}

void TWinControl::SetFont(HFONT Font) {
  FFont = Font;
  if (FHandle != nullptr) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE);
}

void TWinControl::ReplaceFont(HFONT Old, HFONT New) {
  if (FFont == Old) SetFont(New);
  for (TControl* c : FControls)
    if (c->IsWindowed()) static_cast<TWinControl*>(c)->ReplaceFont(Old, New);
}

void TWinControl::ScaleRects(int Dpi) {
  const int from = std::exchange(FPixelsPerInch, Dpi);
  {
    // The children are laid out once, when all of them are scaled.
    FAligning = true;
    TScopeGuard aligned([this] { FAligning = false; });
    ScaleBounds(from, Dpi);
    for (TControl* c : FControls) c->ScaleRects(Dpi);
  }
  AlignControls();
}

void TWinControl::ScaleRules() {
  for (TControl* c : FControls) c->ScaleRules();
  ScaleChanged();
}

TCustomControl::TCustomControl(TComponent* AOwner, TWinControl* AParent, DWORD Style, DWORD ExStyle)
    : TWinControl(AOwner, AParent) {
  CreateHandle(nullptr, Style | WS_CLIPCHILDREN, ExStyle, "");
}

}  // namespace vr
