#include "platform/forms.h"

#include "platform/application.h"

namespace vr {

TCustomForm::TCustomForm(TComponent* AOwner, const TParams& Params)
    : TWinControl(AOwner, nullptr),
      FFontName(Params.FontName),
      FFontHeight(Params.FontPixels != 0 ? Params.FontPixels : MulDiv(Params.FontPoints, kDesignPixelsPerInch, 72)),
      FBorderWidth(Params.BorderWidth) {
  Color = clBtnFace;
  SetVisible(false);
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  switch (Params.BorderStyle) {
    case TBorderStyle::bsSizeable:
      style |= WS_OVERLAPPEDWINDOW;
      break;
    case TBorderStyle::bsDialog:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    case TBorderStyle::bsNone:
      style |= WS_POPUP;
      break;
  }
  if (Params.StayOnTop) exStyle |= WS_EX_TOPMOST;
  CreateHandle(nullptr, style, exStyle, Params.Caption);
  MakeFormFont(kDesignPixelsPerInch);
}

void TCustomForm::MakeFormFont(int Dpi) {
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(FFontHeight, Dpi, kDesignPixelsPerInch);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, FFontName.c_str(), LF_FACESIZE);
  TFontHandle font(CreateFontIndirectA(&lf));
  if (!font) return;  // the controls keep the font they have
  // Every control that uses the form's font gets the new one before the
  // old one is deleted.
  ReplaceFont(FFormFont.Get(), font.Get());
  SetFont(font.Get());
  FFormFont = std::move(font);
}

void TCustomForm::ScaleRules() {
  MakeFormFont(PixelsPerInch());
  TWinControl::ScaleRules();
}

void TCustomForm::ScaleBounds(int FromDpi, int ToDpi) {
  SetClientSize(MulDiv(ClientWidth(), ToDpi, FromDpi), MulDiv(ClientHeight(), ToDpi, FromDpi));
}

TCustomForm::~TCustomForm() {
  // Controls go first, while the window they live in still exists.
  DestroyComponents();
  if (Application != nullptr && Application->MainForm == this) Application->MainForm = nullptr;
}

void TCustomForm::Show() {
  MarkVisible(true);
  ShowWindow(Handle(), WindowState == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOW);
  UpdateWindow(Handle());
}

void TCustomForm::ShowInactive() {
  MarkVisible(true);
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  UpdateWindow(Handle());
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::Close() {
  if (Application != nullptr && Application->MainForm == this) Application->Terminate();
  else Hide();
}

void TCustomForm::SetClientSize(int AWidth, int AHeight) {
  RECT r{0, 0, AWidth, AHeight};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TCustomForm::CenterOnScreen() {
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
}

RECT TCustomForm::AlignRect() const {
  RECT r = TWinControl::AlignRect();
  InflateRect(&r, -Scaled(FBorderWidth), -Scaled(FBorderWidth));
  return r;
}

LRESULT TCustomForm::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && OnActivate) {
        LRESULT result = TWinControl::WndProc(Msg, wParam, lParam);
        OnActivate(this);
        return result;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
