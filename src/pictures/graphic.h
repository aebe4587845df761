// The abstract image class every picture format descends from, and
// progress reports. The shared data of images is in pictures/shared_image.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pictures/graphic_errors.h"
#include "pictures/shared_image.h"
#include "platform/canvas.h"
#include "platform/classes.h"
#include "platform/stream.h"

namespace vr {

class TGraphic;

enum class TProgressStage { psStarting, psRunning, psEnding };

using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const RECT& R, const std::string& Msg)>;

// A class reference for image classes: its name, its parent class and its
// virtual constructor. Each image class has one, returned by StaticClass().
struct TGraphicClass {
  const char* Name;
  const TGraphicClass* Parent;
  std::unique_ptr<TGraphic> (*Create)();
  bool InheritsFrom(const TGraphicClass* Other) const;
};

// Declares the class reference of an image class.
#define VR_GRAPHIC_CLASS(Name)                                              \
 public:                                                                    \
  static const TGraphicClass& StaticClass();                                \
  const TGraphicClass& ClassType() const override { return StaticClass(); } \
  const char* ClassName() const override { return #Name; }

// Defines it; place in the class's .cpp file.
#define VR_DEFINE_GRAPHIC_CLASS(Name, ParentClass)                                                   \
  const TGraphicClass& Name::StaticClass() {                                                         \
    static const TGraphicClass info{#Name, &ParentClass::StaticClass(),                              \
                                    []() -> std::unique_ptr<TGraphic> { return std::make_unique<Name>(); }}; \
    return info;                                                                                     \
  }

class TGraphic : public TPersistent {
 public:
  TGraphic() = default;
  ~TGraphic() override = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;
  static const TGraphicClass& StaticClass();
  virtual const TGraphicClass& ClassType() const { return StaticClass(); }
  const char* ClassName() const override { return "TGraphic"; }

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

  // Sets the modified flag, then calls OnChange.
  virtual void NotifyChange(TObject* Sender);
  // Draws the whole image scaled into the rectangle.
  virtual void DrawInto(TCanvas& Canvas, const RECT& Rect) = 0;
  // Equal when both are empty, or of one class with the same stored bytes.
  virtual bool SameImage(const TGraphic* HeldGraphic);

  virtual bool ReadEmpty() const = 0;
  virtual int ReadHeight() const = 0;
  virtual HPALETTE ReadPalette() { return nullptr; }
  virtual bool ReadTransparent() const { return FTransparent; }
  virtual int ReadWidth() const = 0;
  virtual void ReadStoredImage(TStream& Stream) { LoadFromStream(Stream); }
  virtual void WriteHeight(int Value) = 0;
  virtual void WritePalette(HPALETTE Value) {}
  virtual void WriteTransparent(bool Value);
  virtual void WriteWidth(int Value) = 0;
  virtual void WriteStoredImage(TStream& Stream) { SaveToStream(Stream); }
  // Opens the file for reading (other writers denied) and loads it.
  virtual void LoadFile(const std::string& FileName);
  virtual void SaveFile(const std::string& FileName);
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) = 0;

  // Progress of decoding; the base passes it on to OnProgress.
  virtual void ReportProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                              const RECT& R, const std::string& Msg);

  bool IsEmpty() const { return ReadEmpty(); }
  int Width() const { return ReadWidth(); }
  int Height() const { return ReadHeight(); }
  void SetWidth(int Value) { WriteWidth(Value); }
  void SetHeight(int Value) { WriteHeight(Value); }
  HPALETTE PaletteHandle() { return ReadPalette(); }
  bool Transparent() const { return ReadTransparent(); }
  void SetTransparent(bool Value) { WriteTransparent(Value); }
  bool Modified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }
  bool PaletteModified() const { return FPaletteModified; }
  void SetPaletteModified(bool Value) { FPaletteModified = Value; }

 protected:
  bool FTransparent = false;

 private:
  bool FModified = false;
  bool FPaletteModified = false;
};

}  // namespace vr
