// The spin edit as the main window uses it: reading and clamping, typing,
// the cursor keys, leaving the box, selection on entry, editing rules.
#include <doctest/doctest.h>

#include "controls/controls_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

void TypeChars(TSpinEdit& Spin, const std::string& Keys) {
  for (char c : Keys) SendMessageA(Spin.Handle(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

// Replaces the text as a user does: select everything, then type.
void Retype(TSpinEdit& Spin, const std::string& Keys) {
  Spin.SelectAll();
  TypeChars(Spin, Keys);
}

void PutTextOnClipboard(HWND Owner, const std::string& Text) {
  if (!OpenClipboard(Owner)) return;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, Text.size() + 1);
  if (memory != nullptr) {
    memcpy(GlobalLock(memory), Text.c_str(), Text.size() + 1);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_TEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

}  // namespace

TEST_CASE("Loops: a typed value reads as typed until the box is left, then it is clamped") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TSpinEdit& loops = *f.SpinEditLoop1;
  SetFocus(loops.Handle());
  Retype(loops, "5000");
  CHECK(loops.Text() == "5000");
  CHECK(loops.Value() == 5000);

  SetFocus(f.Editpath1->Handle());
  CHECK(loops.Text() == "1000");
  CHECK(loops.Value() == 1000);

  // Tab moves on to the next control; it does not go into the text.
  SetFocus(loops.Handle());
  PostMessageA(loops.Handle(), WM_KEYDOWN, VK_TAB, 0);
  Application->ProcessMessages();
  CHECK(GetFocus() != loops.Handle());
  CHECK(loops.Text() == "1000");

  // An empty text reads as the minimum and is left alone on leaving.
  SetFocus(loops.Handle());
  Retype(loops, "\b");
  CHECK(loops.Text() == "");
  CHECK(loops.Value() == 0);
  SetFocus(f.Editpath1->Handle());
  CHECK(loops.Text() == "");
}

TEST_CASE("stepping at the ends of the range: Fast stays at 10 quietly, Slow stops at 10000") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  int changes = 0;
  TNotifyEvent timing = f.SpinEditFast1->OnChange;
  f.SpinEditFast1->OnChange = [&](TObject* s) {
    ++changes;
    timing(s);
  };
  f.SpinEditFast1->SetValue(10);
  CHECK(changes == 1);
  f.SpinEditFast1->StepDown();
  CHECK(f.SpinEditFast1->Value() == 10);
  CHECK(changes == 1);  // the text did not change: no OnChange
  f.SpinEditFast1->SetValue(10);
  CHECK(changes == 1);

  f.SpinEditSlow1->SetValue(9900);
  f.SpinEditSlow1->StepUp();
  CHECK(f.SpinEditSlow1->Text() == "10000");
  f.SpinEditSlow1->SetValue(50);
  CHECK(f.SpinEditSlow1->Value() == 200);

  // The cursor keys step too.
  SendMessageA(f.SpinEditSlow1->Handle(), WM_KEYDOWN, VK_UP, 0);
  CHECK(f.SpinEditSlow1->Value() == 400);
  SendMessageA(f.SpinEditSlow1->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(f.SpinEditSlow1->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  CHECK(f.SpinEditSlow1->Value() == 200);
}

TEST_CASE("reading and writing values") {
  TControlsFixture host;
  auto* spin = host.Make<TSpinEdit>();
  CHECK(spin->Text() == "0");
  CHECK(spin->Increment == 1);
  // Equal limits mean no limits at all.
  spin->SetValue(-70000);
  CHECK(spin->Value() == -70000);
  spin->SetValue(INT32_MAX);
  spin->StepUp();  // stays at the top instead of wrapping round
  CHECK(spin->Value() == INT32_MAX);

  spin->MinValue = 5;
  spin->MaxValue = 50;
  // Blanks and tabs are no part of a number, leading ones included.
  for (const char* text : {"", "-", "abc", "+-3", "1-2", "3.5", "1 2", "99999999999", " 7", "\t7", "- 7", "7 ", " "}) {
    CAPTURE(text);
    spin->SetText(text);
    CHECK(spin->Value() == 5);
  }
  spin->SetText("400");  // not clamped on reading
  CHECK(spin->Value() == 400);
  spin->SetText("-7");
  CHECK(spin->Value() == -7);
  spin->SetText("+12");
  CHECK(spin->Value() == 12);
  CHECK(spin->ClampValue(4) == 5);
  CHECK(spin->ClampValue(51) == 50);
  CHECK(spin->ClampValue(20) == 20);

  // Every change of the text is reported once, whoever makes it.
  int changes = 0;
  spin->OnChange = [&](TObject*) { ++changes; };
  spin->SetValue(30);
  spin->SetValue(30);
  CHECK(changes == 1);
  SendMessageA(spin->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("31"));
  SendMessageA(spin->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("31"));
  CHECK(changes == 2);
  TypeChars(*spin, "5");
  CHECK(changes == 3);
}

TEST_CASE("typing refuses letters and Enter with a beep and takes signs anywhere") {
  TControlsFixture host;
  auto* spin = host.Make<TSpinEdit>();
  spin->MinValue = 0;
  spin->MaxValue = 1000;
  int changes = 0;
  spin->OnChange = [&](TObject*) { ++changes; };

  Retype(*spin, "1a2\r");
  CHECK(spin->Text() == "12");
  CHECK(host.Beeps == 2);
  CHECK(changes == 2);

  Retype(*spin, "1-2");
  CHECK(spin->Text() == "1-2");
  CHECK(spin->Value() == 0);
  CHECK(host.Beeps == 2);

  // The box stays one line, even when it is tall enough for two:
  // Ctrl+Enter (a line feed) beeps like Enter, and a pasted text goes in up
  // to its first line break.
  spin->SetBounds(0, 0, 80, 60);
  Retype(*spin, "3\n4");
  CHECK(spin->Text() == "34");
  CHECK(host.Beeps == 3);
  PutTextOnClipboard(host.Form->Handle(), "56\r\n78");
  SendMessageA(spin->Handle(), EM_SETSEL, 1, 1);
  const int before = changes;
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  CHECK(spin->Text() == "3564");
  CHECK(changes == before + 1);
  PutTextOnClipboard(host.Form->Handle(), "9\n0");
  TypeChars(*spin, "\x16");  // Ctrl+V
  CHECK(spin->Text() == "35694");
  CHECK(SendMessageA(spin->Handle(), EM_GETLINECOUNT, 0, 0) == 1);
  // A clipboard without text leaves the selection alone.
  if (OpenClipboard(host.Form->Handle())) {
    EmptyClipboard();
    CloseClipboard();
  }
  spin->SelectAll();
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  CHECK(spin->Text() == "35694");

  CHECK(spin->IsAcceptedKey('+'));
  CHECK(spin->IsAcceptedKey('7'));
  CHECK(spin->IsAcceptedKey('.'));  // the decimal separator of the C locale
  CHECK(spin->IsAcceptedKey('\b'));
  CHECK(spin->IsAcceptedKey('\x16'));  // Ctrl+V
  CHECK_FALSE(spin->IsAcceptedKey('\r'));
  CHECK_FALSE(spin->IsAcceptedKey('\n'));
  CHECK_FALSE(spin->IsAcceptedKey(' '));
  CHECK_FALSE(spin->IsAcceptedKey('e'));

  // A separator of several bytes (the Arabic one is two in UTF-8) is
  // refused byte by byte: no part of a character gets into the box.
  // (Read in the locale's code page, 1252 here, it would be "?".)
  struct TSeparator {
    wchar_t Saved[16] = {};
    TSeparator() { GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Saved, 16); }
    ~TSeparator() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Saved); }
  } separator;
  REQUIRE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L"\x066b"));  // D9 AB in UTF-8
  CHECK_FALSE(spin->IsAcceptedKey('\xd9'));
  CHECK_FALSE(spin->IsAcceptedKey('\xab'));
  CHECK_FALSE(spin->IsAcceptedKey('?'));
  CHECK_FALSE(spin->IsAcceptedKey('.'));
  CHECK(spin->IsAcceptedKey('7'));
}

TEST_CASE("with the editor disabled only the arrows and cursor keys change the value") {
  TControlsFixture host;
  auto* spin = host.Make<TSpinEdit>();
  spin->MinValue = 0;
  spin->MaxValue = 100;
  spin->SetValue(42);
  spin->EditorEnabled = false;
  SetFocus(spin->Handle());
  SendMessageA(spin->Handle(), EM_SETSEL, 2, 2);

  TypeChars(*spin, "5\b");
  SendMessageA(spin->Handle(), EM_SETSEL, 0, 0);
  SendMessageA(spin->Handle(), WM_KEYDOWN, VK_DELETE, 0);
  CHECK(spin->Text() == "42");
  CHECK(host.Beeps == 3);
  spin->SelectAll();
  SendMessageA(spin->Handle(), WM_CUT, 0, 0);
  PutTextOnClipboard(host.Form->Handle(), "7");
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  CHECK(spin->Text() == "42");

  SendMessageA(spin->Handle(), WM_KEYDOWN, VK_UP, 0);
  CHECK(spin->Value() == 43);

  // With the editor on, paste goes in as usual.
  spin->EditorEnabled = true;
  spin->SelectAll();
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  CHECK(spin->Text() == "7");
}

TEST_CASE("a read-only box only beeps at steps and refuses paste") {
  TControlsFixture host;
  auto* spin = host.Make<TSpinEdit>();
  spin->SetValue(3);
  spin->SetReadOnly(true);
  SendMessageA(spin->Handle(), WM_KEYDOWN, VK_UP, 0);
  spin->StepDown();
  CHECK(spin->Value() == 3);
  CHECK(host.Beeps == 2);
  PutTextOnClipboard(host.Form->Handle(), "9");
  spin->SelectAll();
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  CHECK(spin->Text() == "3");
}

TEST_CASE("entering the box from the keyboard selects the whole text") {
  TControlsFixture host;
  auto* spin = host.Make<TSpinEdit>();
  auto* other = host.Make<TSpinEdit>();
  other->SetBounds(0, 40, 80, 22);
  spin->SetValue(1234);
  SetFocus(other->Handle());
  SetFocus(spin->Handle());
  CHECK(spin->SelStart() == 0);
  CHECK(spin->SelLength() == 4);

  spin->AutoSelect = false;
  SetFocus(other->Handle());
  spin->SetSel(1, 0);
  SetFocus(spin->Handle());
  CHECK(spin->SelLength() == 0);
}
