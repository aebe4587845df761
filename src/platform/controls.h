// Controls: the window-less TControl, the windowed TWinControl (a real child
// window whose text is its caption), alignment, message reflection and
// exception-safe window procedures.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/component.h"
#include "platform/dpi.h"
#include "platform/handles.h"

namespace vr {

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

class TWinControl;

class TControl : public TComponent {
 public:
  TControl(TComponent* AOwner, TWinControl* AParent);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return FParent; }

  int Left() const { return FBounds.left; }
  int Top() const { return FBounds.top; }
  int Width() const { return FBounds.right - FBounds.left; }
  int Height() const { return FBounds.bottom - FBounds.top; }
  RECT BoundsRect() const { return FBounds; }
  RECT ClientRect() const { return RECT{0, 0, Width(), Height()}; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  void SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
  void SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);

  // The caption or content: for windowed controls the window text.
  virtual std::string Caption() const { return FCaption; }
  virtual void SetCaption(const std::string& Value);

  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);

  TColor Color = clBtnFace;
  TNotifyEvent OnClick;
  virtual void Click();

  // Repaints the control (for a window-less control: its rectangle of the parent).
  virtual void Invalidate();
  // Draws a window-less control onto its parent's canvas, whose origin is
  // at the control's top-left corner.
  virtual void PaintOn(TCanvas& Canvas) {}
  virtual bool IsWindowed() const { return false; }
  // An opaque window-less control covers its whole rectangle when painted,
  // so the parent does not paint the background under it.
  virtual bool IsOpaque() const { return false; }

  // Mouse on a window-less control, in the control's coordinates.
  virtual void MouseDown(TMouseButton Button, int X, int Y) {}
  virtual void MouseUp(TMouseButton Button, int X, int Y) {}

  // The dots per inch the control is laid out for; a new control takes its
  // parent's.
  int PixelsPerInch() const { return FPixelsPerInch; }
  // A length designed at 96 dpi, in this control's pixels.
  int Scaled(int DesignPixels) const { return MulDiv(DesignPixels, FPixelsPerInch, kDesignPixelsPerInch); }
  // Lays the control out again for Dpi, in two steps over the control and
  // everything below it: first every rectangle is scaled from the dpi it
  // had (MulDiv rounding), then every control re-applies its own geometry
  // rules (ScaleChanged), children before their parents.
  void ChangeScale(int Dpi);

 protected:
  // The first step: the rectangles (and the dpi they are for).
  virtual void ScaleRects(int Dpi);
  // The second step: the rules.
  virtual void ScaleRules() { ScaleChanged(); }
  // Scales the control's own rectangle from FromDpi to ToDpi.
  virtual void ScaleBounds(int FromDpi, int ToDpi);
  // Geometry that follows from the font or the dpi is worked out again,
  // once the rectangles are scaled and the fonts are those of the new dpi.
  virtual void ScaleChanged() {}
  // Called after the bounds changed (window-less controls repaint here).
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  // Records the visibility without showing or hiding anything (forms show
  // themselves in their own way).
  void MarkVisible(bool Value) { FVisible = Value; }
  std::string FCaption;

 private:
  friend class TWinControl;
  TWinControl* FParent;
  RECT FBounds{0, 0, 0, 0};
  int FPixelsPerInch = kDesignPixelsPerInch;
  TAlign FAlign = TAlign::alNone;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FHint;
};

// A window-less control painted by its parent.
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TGraphicControl"; }
};

class TWinControl : public TControl {
 public:
  TWinControl(TComponent* AOwner, TWinControl* AParent);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  HWND Handle() const { return FHandle; }
  bool IsWindowed() const override { return true; }
  std::string Caption() const override;
  void SetCaption(const std::string& Value) override;
  void SetEnabled(bool Value) override;
  void Invalidate() override;

  // Children (windowed and window-less), in creation order.
  const std::vector<TControl*>& Controls() const { return FControls; }
  // Lays the aligned children out in the client area: top and left ones in
  // the order they were made, bottom and right ones so that the order they
  // were made reads top-down / left-right, then the client-aligned ones.
  virtual void AlignControls();
  // The rectangle children are aligned in (the client area less borders).
  virtual RECT AlignRect() const;
  int ClientWidth() const;
  int ClientHeight() const;

  void SetFont(HFONT Font);
  // Gives New to this control and every control below it that uses Old.
  void ReplaceFont(HFONT Old, HFONT New);
  // The width of the caption in the control's font.
  int TextWidth() const;
  HFONT Font() const { return FFont; }

  // The object behind a window of ours, or nullptr.
  static TWinControl* FromHandle(HWND Wnd);

  // The window procedure of every window of ours. Exceptions never leave it:
  // they go to the application's error box.
  static LRESULT CALLBACK StdWndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);

 protected:
  // Creates the window. For a system class (BUTTON, EDIT, ...) the window is
  // subclassed; for our own class (ClassName nullptr) it is registered once.
  void CreateHandle(const char* WindowClass, DWORD Style, DWORD ExStyle, const std::string& Text);
  virtual LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam);
  void ScaleRects(int Dpi) override;
  void ScaleRules() override;
  LRESULT DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam);
  // A notification that the parent got about this control (WM_COMMAND,
  // WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*, scroll).
  // Returns true when handled, with the result in Result.
  virtual bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) { return false; }
  // Painting of our own window class: the background and Paint, then the
  // window-less children.
  virtual void Paint(TCanvas& Canvas);
  void PaintControls(HDC DC, const RECT& Update);
  TControl* ControlAtPos(int X, int Y) const;
  bool FOwnClass = false;

 private:
  friend class TControl;
  void Attach(HWND Wnd);
  void Detach();
  LRESULT DispatchReflected(HWND Child, UINT Msg, WPARAM wParam, LPARAM lParam, bool& Handled);
  // The parts of WndProc; those that answer true handled the message
  // (with the result in Result).
  // Notices the parent gets about a child, handed to the child.
  bool ReflectNotice(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result);
  // Sizing: realigns the children, and a form keeps its bounds in step.
  bool FollowSize(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result);
  // Our own class: painting, and the mouse on window-less children.
  void PaintOwnClass();
  bool MouseButtonDown(UINT Msg, int X, int Y);
  bool MouseButtonUp(UINT Msg, int X, int Y);
  void UpdateWindowBounds();

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  HFONT FFont = nullptr;
  std::vector<TControl*> FControls;
  TControl* FMouseControl = nullptr;  // window-less child under a pressed button
  bool FAligning = false;
};

// A windowed control of our own class that paints itself.
class TCustomControl : public TWinControl {
 public:
  TCustomControl(TComponent* AOwner, TWinControl* AParent, DWORD Style = 0, DWORD ExStyle = 0);
  const char* ClassName() const override { return "TCustomControl"; }
};

}  // namespace vr
