#include "pictures/picture.h"

#include <windows.h>

#include <algorithm>

#include "pictures/builtin_formats.h"
#include "platform/ascii_case.h"

namespace vr {

std::string PictureFileExtension(const std::string& FileName) {
  size_t dot = FileName.find_last_of(".\\:");
  if (dot == std::string::npos || FileName[dot] != '.') return std::string();
  return FileName.substr(dot + 1);
}

// ---------------------------------------------------------- format registry

TFileFormatsList::TFileFormatsList() = default;

TFileFormatsList& TFileFormatsList::Instance() {
  static TFileFormatsList* list = [] {
    auto* l = new TFileFormatsList();  // lives until process exit
    RegisterBuiltInFormats(*l);
    return l;
  }();
  return *list;
}

void TFileFormatsList::Add(const std::string& Ext, const std::string& Desc, int DescID, const TGraphicClass* AClass) {
  auto f = std::make_unique<TFileFormat>();
  f->GraphicClass = AClass;
  f->Extension = AsciiLowerCase(Ext);
  f->Description = Desc;
  f->DescResID = DescID;
  FFormats.push_back(std::move(f));
}

const TGraphicClass* TFileFormatsList::FindByExtension(const std::string& Extension) const {
  std::string ext = AsciiLowerCase(Extension);
  for (auto it = FFormats.rbegin(); it != FFormats.rend(); ++it)
    if ((*it)->Extension == ext) return (*it)->GraphicClass;
  return nullptr;
}

const TGraphicClass* TFileFormatsList::FindByClassName(const std::string& ClassName) const {
  for (auto it = FFormats.rbegin(); it != FFormats.rend(); ++it)
    if (ClassName == (*it)->GraphicClass->Name) return (*it)->GraphicClass;
  return nullptr;
}

void TFileFormatsList::Remove(const TGraphicClass* AClass) {
  for (size_t i = FFormats.size(); i-- > 0;)
    if (FFormats[i]->GraphicClass->InheritsFrom(AClass)) FFormats.erase(FFormats.begin() + static_cast<ptrdiff_t>(i));
}

TClipboardFormats::TClipboardFormats() = default;

TClipboardFormats& TClipboardFormats::Instance() {
  static TClipboardFormats* formats = [] {
    auto* f = new TClipboardFormats();  // lives until process exit
    RegisterBuiltInClipboardFormats(*f);
    return f;
  }();
  return *formats;
}

void TClipboardFormats::Add(uint16_t Format, const TGraphicClass* AClass) {
  FClasses.push_back(AClass);
  try {
    FFormats.push_back(Format);
  } catch (...) {
    FClasses.pop_back();
    throw;
  }
}

void TClipboardFormats::Remove(const TGraphicClass* AClass) {
  for (size_t i = FClasses.size(); i-- > 0;)
    if (FClasses[i]->InheritsFrom(AClass)) {
      FClasses.erase(FClasses.begin() + static_cast<ptrdiff_t>(i));
      FFormats.erase(FFormats.begin() + static_cast<ptrdiff_t>(i));
    }
}

const TGraphicClass* TClipboardFormats::FindFormat(uint16_t Format) const {
  for (size_t i = FFormats.size(); i-- > 0;)
    if (FFormats[i] == Format) return FClasses[i];
  return nullptr;
}

// ------------------------------------------------------------------ TPicture

TPicture::TPicture() {
  TFileFormatsList::Instance();
  TClipboardFormats::Instance();
}

TPicture::~TPicture() = default;

void TPicture::RegisterPictureFormat(const std::string& Extension, const std::string& Description,
                                     const TGraphicClass& GraphicClass) {
  TFileFormatsList::Instance().Add(Extension, Description, 0, &GraphicClass);
}

void TPicture::RegisterClipboardClass(uint16_t Format, const TGraphicClass& GraphicClass) {
  TClipboardFormats::Instance().Add(Format, &GraphicClass);
}

void TPicture::UnregisterPictureClass(const TGraphicClass& GraphicClass) {
  TFileFormatsList::Instance().Remove(&GraphicClass);
  TClipboardFormats::Instance().Remove(&GraphicClass);
}

void TPicture::Connect(TGraphic& Graphic) {
  Graphic.OnChange = [this](TObject* Sender) { NotifyChange(Sender); };
  Graphic.OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool Redraw, const RECT& R,
                              const std::string& Msg) { ReportProgress(Sender, Stage, Percent, Redraw, R, Msg); };
}

void TPicture::Install(std::unique_ptr<TGraphic> Graphic) {
  // The old graphic goes before the new one is announced.
  FGraphic = std::move(Graphic);
  if (FGraphic) Connect(*FGraphic);
  NotifyChange(this);
}

void TPicture::LoadFile(const std::string& FileName) {
  std::string ext = PictureFileExtension(FileName);
  const TGraphicClass* cls = TFileFormatsList::Instance().FindByExtension(ext);
  if (cls == nullptr) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", ext.c_str()));
  std::unique_ptr<TGraphic> graphic = cls->Create();
  graphic->OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool Redraw, const RECT& R,
                               const std::string& Msg) { ReportProgress(Sender, Stage, Percent, Redraw, R, Msg); };
  graphic->LoadFile(FileName);  // on failure the new graphic is destroyed on the way out
  Install(std::move(graphic));
}

void TPicture::ReplaceGraphic(const TGraphic* Value) {
  if (Value == nullptr) {
    Install(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy = Value->ClassType().Create();
  copy->AssignFrom(Value);
  Install(std::move(copy));
}

void TPicture::AssignFrom(const TPersistent* Source) {
  if (Source == nullptr) {
    ReplaceGraphic(nullptr);
  } else if (auto* picture = dynamic_cast<const TPicture*>(Source)) {
    ReplaceGraphic(picture->HeldGraphic());
  } else if (auto* graphic = dynamic_cast<const TGraphic*>(Source)) {
    ReplaceGraphic(graphic);
  } else {
    TPersistent::AssignFrom(Source);
  }
}

void TPicture::NotifyChange(TObject* Sender) {
  if (OnChange) OnChange(this);
  if (Notifier != nullptr) Notifier->NotifyChange();
}

void TPicture::ReportProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                              const RECT& R, const std::string& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

void TPicture::ReadStoredImage(TStream& Stream) {
  uint8_t length = Stream.ReadByte();
  std::string name(length, '\0');
  Stream.ReadBuffer(name.data(), length);
  std::unique_ptr<TGraphic> graphic;
  if (const TGraphicClass* cls = TFileFormatsList::Instance().FindByClassName(name)) {
    graphic = cls->Create();
    graphic->ReadStoredImage(Stream);
  }
  Install(std::move(graphic));
}

void TPicture::WriteStoredImage(TStream& Stream) {
  std::string name = FGraphic ? FGraphic->ClassName() : "";
  if (name.size() > 63) name.resize(63);
  uint8_t length = static_cast<uint8_t>(name.size());
  Stream.WriteBuffer(&length, 1);
  Stream.WriteBuffer(name.data(), name.size());
  if (FGraphic) FGraphic->WriteStoredImage(Stream);
}

}  // namespace vr
