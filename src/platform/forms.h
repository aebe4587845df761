// Top-level windows.
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/handles.h"

namespace vr {

enum class TBorderStyle { bsSizeable, bsDialog, bsNone };
enum class TWindowState { wsNormal, wsMaximized };

class TCustomForm : public TWinControl {
 public:
  struct TParams {
    std::string Caption;
    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    bool StayOnTop = false;
    int BorderWidth = 0;
    const char* FontName = "MS Sans Serif";
    int FontPoints = 8;        // used when FontPixels is 0
    int FontPixels = 0;        // at 96 dpi, as every design value
  };
  TCustomForm(TComponent* AOwner, const TParams& Params);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }

  void Show();
  // Shows the window without taking the activation from the active one.
  void ShowInactive();
  void Hide();
  // The main window's close ends the application; any other form hides.
  virtual void Close();
  TWindowState WindowState = TWindowState::wsNormal;
  void SetClientSize(int AWidth, int AHeight);
  void CenterOnScreen();
  RECT AlignRect() const override;
  // Lays the form and its controls out for the screen's dpi; a form calls
  // it once its controls are made at their design values.
  void ScaleToScreen() { ChangeScale(ScreenPixelsPerInch()); }

  TNotifyEvent OnActivate;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  // The client area scales; the frame around it is the system's.
  void ScaleBounds(int FromDpi, int ToDpi) override;
  // The form's font gets its pixel height for the new dpi before the
  // controls work out what follows from it.
  void ScaleRules() override;

 private:
  void MakeFormFont(int Dpi);
  TFontHandle FFormFont;
  std::string FFontName;
  int FFontHeight;  // pixels at 96 dpi
  int FBorderWidth = 0;
};

}  // namespace vr
