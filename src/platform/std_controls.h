// The standard controls: check boxes, edits, the log memo, labels, panels,
// group boxes, status lines and the tool bar. Each is a child window whose
// text is its caption or content.
#pragma once

#include <string>

#include "platform/controls.h"

namespace vr {

class TCheckBox : public TWinControl {
 public:
  TCheckBox(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption);
  const char* ClassName() const override { return "TCheckBox"; }
  // Read from a copy of the state: the scan run asks for every file.
  bool Checked() const { return FChecked; }
  // A change of state runs the click handler, as a click does.
  void SetChecked(bool Value);

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

 private:
  bool FChecked = false;
};

class TCustomEdit : public TWinControl {
 public:
  using TWinControl::TWinControl;
  const char* ClassName() const override { return "TCustomEdit"; }
  std::string Text() const { return Caption(); }
  void SetText(const std::string& Value) { SetCaption(Value); }
  int SelStart() const;
  int SelLength() const;
  void SetSel(int Start, int Length);
  void SelectAll() { SetSel(0, -1); }
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  TNotifyEvent OnChange;

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  // Runs for every change of the text, typed or written.
  virtual void Change();
};

// A one-line edit.
class TEdit : public TCustomEdit {
 public:
  TEdit(TComponent* AOwner, TWinControl* AParent, const std::string& AText, DWORD ExtraStyle = 0);
  const char* ClassName() const override { return "TEdit"; }
};

// A multi-line edit with both scroll bars: the log.
class TMemo : public TCustomEdit {
 public:
  TMemo(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TMemo"; }
  void Clear();
  // Appends one line (the text then ends with a line break).
  void Add(const std::string& Line);
};

class TLabel : public TWinControl {
 public:
  TLabel(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption);
  const char* ClassName() const override { return "TLabel"; }
  // Bold and italic captions get a font of their own, derived from the
  // parent's; PixelHeight (0: the parent's) is at 96 dpi.
  void SetFontStyle(bool Bold, bool Italic, int PixelHeight = 0);
  // Makes the label as wide and high as its caption, now and whenever it
  // is scaled.
  void AutoSize();

 protected:
  // A click on the label runs OnClick.
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  // The own font is made again from the parent's scaled one.
  void ScaleChanged() override;

 private:
  TFontHandle FOwnFont;
  bool FBold = false, FItalic = false;
  int FPixelHeight = 0;
  bool FAutoSized = false;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TCustomControl {
 public:
  TPanel(TComponent* AOwner, TWinControl* AParent, bool SingleBorder = false);
  const char* ClassName() const override { return "TPanel"; }
  TBevelCut BevelInner = TBevelCut::bvNone;
  TBevelCut BevelOuter = TBevelCut::bvRaised;
  int BevelWidth = 1;
  RECT AlignRect() const override;

 protected:
  void Paint(TCanvas& Canvas) override;
  int BorderInset() const;
};

class TGroupBox : public TWinControl {
 public:
  TGroupBox(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption);
  const char* ClassName() const override { return "TGroupBox"; }

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
};

// The tool bar: lays its children out left to right in the order they were made.
class TToolBar : public TPanel {
 public:
  TToolBar(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TToolBar"; }
  void AlignControls() override;
};

// A fixed gap between tool bar buttons.
class TToolSeparator : public TGraphicControl {
 public:
  TToolSeparator(TComponent* AOwner, TWinControl* AParent, int AWidth);
  const char* ClassName() const override { return "TToolSeparator"; }
};

}  // namespace vr
