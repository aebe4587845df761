// The scan run: Go walks the folder tree pass after pass, showing every
// picture and playing every sound whose path holds a ticked type.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "app/main_form.h"
#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/folder_entries.h"

namespace vr {

namespace {

bool Contains(const std::string& Text, const char* Part) { return Text.find(Part) != std::string::npos; }

struct TTypeTest {
  TCheckBox* Box;
  const char* Text;
};

// Whether a ticked type's text stands anywhere in the upper-cased path.
bool AnyTicked(const std::string& Full, std::initializer_list<TTypeTest> Types) {
  for (const TTypeTest& t : Types)
    if (t.Box->Checked() && Contains(Full, t.Text)) return true;
  return false;
}

}  // namespace

std::string TrimTrailingBlanks(const std::string& Text) {
  size_t last = Text.find_last_not_of(' ');
  return last == std::string::npos ? Text : Text.substr(0, last + 1);
}

std::string IncludeTrailingSeparator(const std::string& Path) {
  std::string result = TrimTrailingBlanks(Path);
  if (!result.empty() && result.back() != '\\') result += '\\';
  return result;
}

void TForm1::SpeedButtonGo1Click(TObject* Sender) {
  int pass = 0;
  do {
    ++pass;
    Memo1->Clear();
    Memo1->Add(" Loop: " + std::to_string(pass));
    Labelloop1->SetCaption(" Loop: " + std::to_string(pass));
    FoundCount = 0;
    Editpath1->SetText(DirectoryListBox1->Directory());
    Memo1->Add(">" + Editpath1->Text() + "*.*   ");
    ScanRun(Editpath1->Text(), "*.*");
    Memo1->Add("Found: " + std::to_string(FoundCount) + " Loops: " + std::to_string(pass));
  } while (pass < SpinEditLoop1->Value() || SpinEditLoop1->Value() == 0);
  SpeedButtonGo1->SetDown(false);
}

void TForm1::ScanRun(const std::string& Folder, const std::string& Mask) {
  AbortRequested = false;
  const std::string base = IncludeTrailingSeparator(Folder);
  const std::string pattern = base + Mask;
  // The status text and the upper-cased path are rebuilt for every entry in
  // buffers of this level: the walk allocates nothing per entry.
  const std::string scanning = "Scan: " + pattern + "  ";
  std::string status = scanning, full;
  // Every entry comes through, in the order the file system gives them:
  // files and folders, hidden and system ones, "." and "..".
  TFolderEntries entries(pattern);
  while (entries.Have() && !AbortRequested) {
    const char* name = entries.Name();
    status.resize(scanning.size());
    status += name;
    StatusBar1->SetSimpleText(status);
    if (entries.IsFolder()) {
      // "." and ".." and every folder whose name starts with a dot stay unvisited.
      if (name[0] != '.') ScanRun(base + name, Mask);
    } else {
      full.assign(base).append(name);
      UpperCaseAscii(full);
      if (!Contains(full, ".LNK")) {
        PictureStep(full);
        SoundStep(full);
      }
    }
    entries.Next();
    Application->ProcessMessages();
  }
}

void TForm1::NoteFound(const std::string& Full) {
  ++FoundCount;
  StatusBar2->SetSimpleText("Found: " + Full);
}

void TForm1::PictureStep(const std::string& Full) {
  if (!AnyTicked(Full, {{CheckBoxBMP1, ".BMP"},
                        {CheckBoxJpg1, ".JPG"},
                        {CheckBoxIco1, ".ICO"},
                        {CheckBoxWmf1, ".WMF"},
                        {CheckBoxEmf1, ".EMF"},
                        {CheckBoxGIF1, ".GIF"},
                        {CheckBoxPNG1, ".PNG"}}))
    return;
  NoteFound(Full);
  try {
    Image1->Picture().LoadFile(Full);
    EditHeight1->SetText(std::to_string(Image1->Picture().Height()));
    EditWidth1->SetText(std::to_string(Image1->Picture().Width()));
  } catch (...) {
    // Whatever failed, the user sees a bad file and the slideshow goes on;
    // a failure that is no error of ours is also counted as a fault.
    NoteIfFault();
    Memo1->Add("++++ Bad Image File: " + Full);
  }
  Timer1->SetInterval(static_cast<unsigned>(DisplayInterval));
  Timer1->SetEnabled(true);
  TimerElapsed = false;
  WaitForItem();
}

void TForm1::SoundStep(const std::string& Full) {
  if (!AnyTicked(Full, {{CheckBoxWav1, ".WAV"}, {CheckBoxMid1, ".MID"}, {CheckBoxWma, ".WMA"}, {CheckBoxMp3, ".MP3"}}))
    return;
  NoteFound(Full);
  int32_t limit = Contains(Full, ".WMA") || Contains(Full, ".MP3") ? MediaInterval : SoundInterval;
  // A typed limit is not clamped to the box's range while the box has the
  // focus: count the milliseconds in 64 bits and keep them within what the
  // system timer takes (24.8 days); a negative limit is no limit, like 0.
  Timer1->SetInterval(static_cast<unsigned>(std::clamp<int64_t>(int64_t{limit} * 1000, 0, USER_TIMER_MAXIMUM)));
  MediaPlayer1->FileName = Full;
  MediaPlayer1->Open();  // a sound that cannot be opened ends the whole run
  try {
    MediaPlayer1->SetNotify(true);
    MediaPlayer1->SetWait(false);
    MediaPlayer1->Play();
  } catch (...) {
    NoteIfFault();
    Memo1->Add("++++ Bad Sound File: " + Full);
  }
  if (Timer1->Interval() > 0) Timer1->SetEnabled(true);
  TimerElapsed = false;
  WaitForItem();
  Timer1->SetEnabled(false);
  MediaPlayer1->Close();
}

void TForm1::WaitForItem() {
  // Blocks until the next message or tick, and tests the conditions after
  // every message.
  do {
    Application->HandleMessage();
  } while (!((TimerElapsed && SpeedButtonPause1->Down()) || AbortRequested));
}

}  // namespace vr
