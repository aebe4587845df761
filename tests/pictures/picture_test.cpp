// The picture holder and the format registry: which class a file name
// picks, what a failed load leaves behind, change and progress notices,
// and the stored "Data" block.
#include <doctest/doctest.h>

#include <cstring>

#include "pictures/bitmap.h"
#include "pictures/icon/icon_win.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture.h"
#include "pictures/picture_test_support.h"

namespace vr::test {

// A format of the tests' own: the file's size is its width; a file that
// starts with "bad" is refused. It reports progress and a change while it
// loads, as progressive decoders do.
class TTestGraphic : public TGraphic {
  VR_GRAPHIC_CLASS(TTestGraphic)

 public:
  void DrawInto(TCanvas&, const RECT&) override {}
  bool ReadEmpty() const override { return FWidth == 0; }
  int ReadHeight() const override { return FWidth == 0 ? 0 : 1; }
  int ReadWidth() const override { return FWidth; }
  void WriteHeight(int) override {}
  void WriteWidth(int Value) override { FWidth = Value; }
  void LoadFromStream(TStream& Stream) override {
    std::string head(3, '\0');
    Stream.Read(head.data(), 3);
    if (head == "bad") throw EInvalidGraphic("refused by the test format");
    FWidth = static_cast<int>(Stream.Size());
    ReportProgress(this, TProgressStage::psRunning, 50, false, RECT{}, "half");
    NotifyChange(this);
  }
  void SaveToStream(TStream& Stream) override { Stream.WriteBuffer(&FWidth, sizeof FWidth); }
  void AssignFrom(const TPersistent* Source) override {
    if (auto* other = dynamic_cast<const TTestGraphic*>(Source)) FWidth = other->FWidth;
    else TGraphic::AssignFrom(Source);
  }

 private:
  int FWidth = 0;
};

class TTestGraphicChild : public TTestGraphic {
  VR_GRAPHIC_CLASS(TTestGraphicChild)
};

VR_DEFINE_GRAPHIC_CLASS(TTestGraphic, TGraphic)
VR_DEFINE_GRAPHIC_CLASS(TTestGraphicChild, TTestGraphic)

namespace {

// Registers the test formats for a test and removes them again.
struct TTestFormats {
  explicit TTestFormats(std::initializer_list<std::pair<const char*, const TGraphicClass*>> Formats) {
    for (auto [ext, cls] : Formats) TPicture::RegisterPictureFormat(ext, "Test", *cls);
  }
  ~TTestFormats() { TPicture::UnregisterPictureClass(TTestGraphic::StaticClass()); }
};

std::string Message(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "no error";
}

std::vector<uint8_t> Bytes(const std::string& Text) { return std::vector<uint8_t>(Text.begin(), Text.end()); }

}  // namespace

TEST_CASE("the registry starts with the four built-in formats, looked up from the last entry") {
  TPicture picture;
  const auto& formats = TFileFormatsList::Instance().Formats();
  REQUIRE(formats.size() >= 4);
  const struct {
    const char* Ext;
    const char* Desc;
    const TGraphicClass* Class;
  } builtIn[] = {{"wmf", "Metafiles", &TMetafile::StaticClass()},
                 {"emf", "Enhanced Metafiles", &TMetafile::StaticClass()},
                 {"ico", "Icons", &TIcon::StaticClass()},
                 {"bmp", "Bitmaps", &TBitmap::StaticClass()}};
  for (size_t i = 0; i < 4; ++i) {
    CHECK(formats[i]->Extension == builtIn[i].Ext);
    CHECK(formats[i]->Description == builtIn[i].Desc);
    CHECK(formats[i]->GraphicClass == builtIn[i].Class);
    CHECK(formats[i]->DescResID == 0);
  }
  CHECK(TFileFormatsList::Instance().FindByExtension("BMP") == &TBitmap::StaticClass());
  CHECK(TFileFormatsList::Instance().FindByClassName("TBitmap") == &TBitmap::StaticClass());
  CHECK(TFileFormatsList::Instance().FindByClassName("tbitmap") == nullptr);
  CHECK(TClipboardFormats::Instance().FindFormat(CF_BITMAP) == &TBitmap::StaticClass());
  CHECK(TClipboardFormats::Instance().FindFormat(CF_METAFILEPICT) == &TMetafile::StaticClass());
  CHECK(TClipboardFormats::Instance().FindFormat(CF_ENHMETAFILE) == &TMetafile::StaticClass());

  // A later registration overrides; unregistering removes subclasses too.
  {
    TTestFormats test({{"BMP", &TTestGraphic::StaticClass()}, {"tst", &TTestGraphicChild::StaticClass()}});
    CHECK(formats.back()->Extension == "tst");
    CHECK(TFileFormatsList::Instance().FindByExtension("bmp") == &TTestGraphic::StaticClass());
    CHECK(TFileFormatsList::Instance().FindByExtension("TsT") == &TTestGraphicChild::StaticClass());
  }
  CHECK(TFileFormatsList::Instance().FindByExtension("bmp") == &TBitmap::StaticClass());
  CHECK(TFileFormatsList::Instance().FindByExtension("tst") == nullptr);

  // Only the letters A to Z are lower-cased; every other byte is kept (a
  // lower-case "Ⱥ" would even be a byte longer in UTF-8).
  {
    TTestFormats test({{"ФОТО", &TTestGraphic::StaticClass()}, {"ȺBC", &TTestGraphicChild::StaticClass()}});
    CHECK(formats.back()->Extension == "Ⱥbc");
    CHECK(TFileFormatsList::Instance().FindByExtension("ФОТО") == &TTestGraphic::StaticClass());
    CHECK(TFileFormatsList::Instance().FindByExtension("фото") == nullptr);
    CHECK(TFileFormatsList::Instance().FindByExtension("ȺbC") == &TTestGraphicChild::StaticClass());
  }
}

TEST_CASE("the extension is taken from the file name alone, as written") {
  TPicture picture;
  auto load = [&](const std::string& name) { return Message([&] { picture.LoadFile(name); }); };
  CHECK(load("C:\\x.Tiff") == "EInvalidGraphic: Unknown picture file extension (.Tiff)");
  CHECK(load("C:\\pics\\picture.jpg.txt") == "EInvalidGraphic: Unknown picture file extension (.txt)");
  CHECK(load("C:\\pic.gif\\file") == "EInvalidGraphic: Unknown picture file extension (.)");
  CHECK(load("C:file") == "EInvalidGraphic: Unknown picture file extension (.)");
  CHECK(load("C:\\pics\\noext.") == "EInvalidGraphic: Unknown picture file extension (.)");
  // Until their libraries are there, these are unknown too.
  CHECK(load("C:\\A.JPG") == "EInvalidGraphic: Unknown picture file extension (.JPG)");
  CHECK(load("C:\\a.gif") == "EInvalidGraphic: Unknown picture file extension (.gif)");
  CHECK(load("C:\\a.png") == "EInvalidGraphic: Unknown picture file extension (.png)");
  // A registered extension whose file is missing: the file stream's error.
  CHECK(load("C:\\no such folder\\x.bmp") == "EFOpenError: Cannot open file C:\\no such folder\\x.bmp");
  CHECK(picture.HeldGraphic() == nullptr);
  CHECK(picture.Width() == 0);
  CHECK(picture.Height() == 0);

  // Icons and metafiles refuse files that are not theirs with their own message.
  TTempFile ico("a.ico", {0, 0, 2, 0, 1, 0});  // a cursor
  TTempFile wmf("a.WMF", Bytes("whatever, but longer than a header"));
  TTempFile emf("a.emf", Bytes("whatever, but longer than a header"));
  CHECK(load(ico.Path()) == "EInvalidGraphic: Icon image is not valid");
  CHECK(load(wmf.Path()) == "EInvalidGraphic: Metafile is not valid");
  CHECK(load(emf.Path()) == "EInvalidGraphic: Metafile is not valid");

  // Upper-case extensions find lower-case registrations; the content is never looked at.
  TTestFormats test({{"jpg", &TTestGraphic::StaticClass()}});
  TTempFile jpg("PHOTO.JPG", BmpOfPicture({{kRed}}, 24));
  picture.LoadFile(jpg.Path());
  CHECK(&picture.HeldGraphic()->ClassType() == &TTestGraphic::StaticClass());
}

TEST_CASE("a successful load signals one change; a failed one leaves everything as it was") {
  TTestFormats test({{"tst", &TTestGraphic::StaticClass()}});
  TPicture picture;
  int changes = 0;
  std::vector<std::string> progress;
  picture.OnChange = [&](TObject* Sender) {
    CHECK(Sender == &picture);
    ++changes;
  };
  picture.OnProgress = [&](TObject*, TProgressStage, uint8_t Percent, bool, const RECT&, const std::string& Msg) {
    progress.push_back(Msg + " " + std::to_string(Percent));
  };
  TTempFile bmp("one.bmp", BmpOfPicture({{kRed, kGreen, kBlue}, {kRed, kGreen, kBlue}}, 24));
  picture.LoadFile(bmp.Path());
  CHECK(changes == 1);
  CHECK(picture.Width() == 3);
  CHECK(picture.Height() == 2);
  TGraphic* held = picture.HeldGraphic();

  // The test format reports progress and a change while loading: the
  // progress comes through, the change does not (only the one after).
  TTempFile good("good.tst", Bytes("twelve bytes"));
  picture.LoadFile(good.Path());
  CHECK(changes == 2);
  CHECK(progress == std::vector<std::string>{"half 50"});
  CHECK(picture.Width() == 12);
  picture.LoadFile(bmp.Path());
  CHECK(changes == 3);
  held = picture.HeldGraphic();

  std::vector<uint8_t> damaged = BmpOfPicture({{kRed}}, 24);
  damaged[26] = 9;  // planes
  TTempFile broken("broken.bmp", damaged);
  TTempFile refused("bad.tst", Bytes("bad file"));
  TTempFile empty("empty.BMP", {});
  for (const std::string& path : {broken.Path(), refused.Path(), std::string("C:\\missing.bmp"),
                                  std::string("C:\\x.unknown")}) {
    CAPTURE(path);
    CHECK_THROWS(picture.LoadFile(path));
    CHECK(changes == 3);
    CHECK(picture.HeldGraphic() == held);
    CHECK(picture.Width() == 3);
    CHECK(picture.Height() == 2);
  }
  TDrawTarget target(3, 2);
  picture.HeldGraphic()->DrawInto(target.Canvas(), RECT{0, 0, 3, 2});
  CHECK(target.Pixel(2, 1) == kBlue);

  // An empty bitmap file loads as a 0 × 0 picture.
  picture.LoadFile(empty.Path());
  CHECK(changes == 4);
  CHECK(picture.HeldGraphic() != nullptr);
  CHECK(picture.Width() == 0);
  CHECK(picture.Height() == 0);

  // Changes of the installed graphic reach the picture's owner.
  picture.HeldGraphic()->SetTransparent(true);
  CHECK(changes == 5);
}

TEST_CASE("copying pictures shares the bitmap; other objects cannot be assigned") {
  TPicture a, b;
  TTempFile bmp("share.bmp", BmpOfPicture({{kRed, kGreen}}, 24));
  a.LoadFile(bmp.Path());
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.AssignFrom(&a);
  CHECK(changes == 1);
  REQUIRE(b.HeldGraphic() != nullptr);
  CHECK(b.HeldGraphic() != a.HeldGraphic());
  auto* ba = static_cast<TBitmap*>(a.HeldGraphic());
  auto* bb = static_cast<TBitmap*>(b.HeldGraphic());
  CHECK(&ba->Image() == &bb->Image());
  // The copy's changes reach its own picture.
  bb->SetTransparent(true);
  CHECK(changes == 2);

  b.ReplaceGraphic(nullptr);
  CHECK(changes == 3);
  CHECK(b.HeldGraphic() == nullptr);
  b.AssignFrom(a.HeldGraphic());
  CHECK(b.Width() == 2);
  b.AssignFrom(nullptr);
  CHECK(b.Width() == 0);
  TPersistent other;
  CHECK(Message([&] { b.AssignFrom(&other); }) == "EConvertError: Cannot assign a TPersistent to a TPicture");
}

TEST_CASE("the stored Data block: class name, then the class's own data") {
  TPicture picture;
  TTempFile bmp("stored.bmp", BmpOfPicture({{kRed, kWhite}, {kBlue, kBlack}}, 8, {kRed, kWhite, kBlue, kBlack}));
  picture.LoadFile(bmp.Path());
  TMemoryStream stored;
  picture.WriteStoredImage(stored);
  REQUIRE(stored.Size() > 12);
  CHECK(stored.Memory()[0] == 7);
  CHECK(std::memcmp(stored.Memory() + 1, "TBitmap", 7) == 0);
  uint32_t count = 0;
  std::memcpy(&count, stored.Memory() + 8, 4);
  CHECK(count == stored.Size() - 12);

  stored.SetPosition(0);
  TPicture back;
  int changes = 0;
  back.OnChange = [&](TObject*) { ++changes; };
  back.ReadStoredImage(stored);
  CHECK(changes == 1);
  REQUIRE(back.HeldGraphic() != nullptr);
  CHECK(back.HeldGraphic()->SameImage(picture.HeldGraphic()));
  TDrawTarget target(2, 2);
  back.HeldGraphic()->DrawInto(target.Canvas(), RECT{0, 0, 2, 2});
  CHECK(target.Pixel(0, 0) == kRed);
  CHECK(target.Pixel(0, 1) == kBlue);

  // An empty picture is one zero byte; an unknown class leaves the picture empty.
  TPicture empty;
  TMemoryStream none;
  empty.WriteStoredImage(none);
  CHECK(none.Bytes() == std::vector<uint8_t>{0});
  TMemoryStream unknown(std::vector<uint8_t>{4, 'T', 'F', 'o', 'o', 1, 2, 3});
  back.ReadStoredImage(unknown);
  CHECK(back.HeldGraphic() == nullptr);
  // A block cut short raises and keeps the picture.
  stored.SetPosition(0);
  back.ReadStoredImage(stored);
  TMemoryStream cut(std::vector<uint8_t>(stored.Bytes().begin(), stored.Bytes().begin() + 20));
  CHECK(Message([&] { back.ReadStoredImage(cut); }) == "EReadError: Stream read error");
  CHECK(back.Width() == 2);
}

}  // namespace vr::test
