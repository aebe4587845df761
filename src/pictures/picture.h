// The picture holder and the process-wide registry of picture formats.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pictures/graphic.h"

namespace vr {

// One registered format: the image class for a file extension.
struct TFileFormat {
  const TGraphicClass* GraphicClass;
  std::string Extension;  // without the dot, its letters A to Z lower-cased
  std::string Description;
  int DescResID = 0;
};

class TFileFormatsList {
 public:
  // The process-wide list, made with its built-in entries on first use.
  static TFileFormatsList& Instance();
  void Add(const std::string& Ext, const std::string& Desc, int DescID, const TGraphicClass* AClass);
  // The last entry registered for the extension (case-blind), or nullptr.
  const TGraphicClass* FindByExtension(const std::string& Extension) const;
  const TGraphicClass* FindByClassName(const std::string& ClassName) const;
  void Remove(const TGraphicClass* AClass);
  const std::vector<std::unique_ptr<TFileFormat>>& Formats() const { return FFormats; }

 private:
  TFileFormatsList();
  std::vector<std::unique_ptr<TFileFormat>> FFormats;
};

// The clipboard formats that image classes can read: two parallel lists.
class TClipboardFormats {
 public:
  static TClipboardFormats& Instance();
  void Add(uint16_t Format, const TGraphicClass* AClass);
  void Remove(const TGraphicClass* AClass);
  const TGraphicClass* FindFormat(uint16_t Format) const;

 private:
  TClipboardFormats();
  std::vector<const TGraphicClass*> FClasses;
  std::vector<uint16_t> FFormats;
};

// Receives change notices of a picture (besides OnChange).
class IChangeNotifier {
 public:
  virtual ~IChangeNotifier() = default;
  virtual void NotifyChange() = 0;
};

// Holds at most one image, picked by the file's extension on LoadFile.
class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  const char* ClassName() const override { return "TPicture"; }

  // Loads the file with the class registered for its extension. On failure
  // the previous graphic stays, untouched, and nothing is signalled.
  void LoadFile(const std::string& FileName);
  TGraphic* HeldGraphic() const { return FGraphic.get(); }
  // Installs a copy of Value (nullptr clears the picture).
  void ReplaceGraphic(const TGraphic* Value);
  void AssignFrom(const TPersistent* Source) override;
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  void NotifyChange(TObject* Sender);
  void ReportProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const RECT& R,
                      const std::string& Msg);

  // The stored "Data" block: a length byte and class name, then the
  // class's own data.
  void ReadStoredImage(TStream& Stream);
  void WriteStoredImage(TStream& Stream);

  TNotifyEvent OnChange;
  IChangeNotifier* Notifier = nullptr;
  TProgressEvent OnProgress;

  static void RegisterPictureFormat(const std::string& Extension, const std::string& Description,
                                    const TGraphicClass& GraphicClass);
  static void RegisterClipboardClass(uint16_t Format, const TGraphicClass& GraphicClass);
  // Removes every entry of the class or a class inheriting from it.
  static void UnregisterPictureClass(const TGraphicClass& GraphicClass);

 private:
  void Install(std::unique_ptr<TGraphic> Graphic);
  void Connect(TGraphic& Graphic);
  std::unique_ptr<TGraphic> FGraphic;
};

// The file name's extension as written: the text after the last "." that
// comes after the last "\" or ":"; empty when there is none.
std::string PictureFileExtension(const std::string& FileName);

}  // namespace vr
