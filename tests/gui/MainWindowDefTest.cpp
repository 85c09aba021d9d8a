// DEF animations in the main window, driven like a user would: the filter
// line, the panel's captions, the preview playing the first group on the
// refresh timer's ticks, stopping when another file is chosen, a DEF inside
// an archive, and a click on the preview saving the frame it shows.
#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "browser/DirectoryListBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "formats/LodArchive.h"
#include "formats/PngCodec.h"
#include "platform/DriveMap.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/ModalWatcher.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "tests/support/Watcher.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/ListView.h"
#include "ui/TimerObject.h"
#include "ui/WindowObject.h"
#include "workflow/DefPlayback.h"
#include "workflow/DefWorkflow.h"

namespace kelvane {
namespace {

using test::ItemTexts;
using test::TModalWatcher;
using test::WaitFor;

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(KELVANE_SOURCE_DIR) / "samples";
constexpr const char* kCreature = "creature-format1-48x40.def";

using TPixels = std::vector<std::uint32_t>;

using test::PixelsOf;
using test::ReadBytes;
using test::TypeNameAndSave;

// The pixels of each frame of the group the preview plays, in its order,
// read from the file independently of the window.
std::vector<TPixels> PlayedFrames(const fs::path& def) {
  TDefAnimation animation;
  EXPECT_TRUE(LoadDefAnimation(def.string(), animation).Ok());
  const std::optional<std::size_t> group = PlayedGroupIndex(animation);
  std::vector<TPixels> frames;
  if (!group) return frames;
  for (const TDefFrameRef& ref : animation.Groups[*group].Frames) {
    TDibBitmap image;
    EXPECT_TRUE(ImageOfCanvas(animation.Frames[ref.Frame].Canvas, animation.Palette, image));
    frames.push_back(PixelsOf(image));
  }
  return frames;
}

class MainWindowDef : public test::TMainWindowTest {
 protected:
  void SetUp() override {
    const fs::path root = Tree.Root();
    fs::copy_file(kSamples / kCreature, root / "Creature.def");
    fs::copy_file(kSamples / "interface-format0-21x13.def", root / "button.def");
    fs::copy_file(kSamples / "sprite8-33x21.pcx", root / "hero.pcx");
    TLodBuilder builder;
    ASSERT_TRUE(builder.Put("ADAG.def", ReadBytes(kSamples / kCreature)));
    ASSERT_TRUE(builder.Put("Hero.pcx", ReadBytes(kSamples / "sprite8-33x21.pcx")));
    ASSERT_TRUE(builder.Save(Tree.Native("Data.lod")));

    ASSERT_NO_FATAL_FAILURE(OpenWindow(root));
  }

  std::vector<std::string> Files() { return ItemTexts(*Main->FileList->ListBox()); }
  void ShowDefFiles() { test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 3); }

  // Waits until the preview shows a frame of `frames` other than the first
  // one and returns its position.
  std::size_t WaitForALaterFrame(const std::vector<TPixels>& frames) {
    std::size_t position = 0;
    const bool moved = WaitFor([&] {
      const auto at = std::find(frames.begin() + 1, frames.end(), PixelsOf(*Main->Image));
      if (at == frames.end() || *at == frames.front()) return false;
      position = static_cast<std::size_t>(at - frames.begin());
      return true;
    });
    EXPECT_TRUE(moved) << "the preview never left its first frame";
    return position;
  }

  test::TTempTree Tree;
  TScopedDriveMap Drives{test::DesktopDriveMap(Tree.Root())};
};

TEST_F(MainWindowDef, TheFilterListsDefAnimationsAfterTheOtherKinds) {
  EXPECT_EQ(ItemTexts(*Main->FilterCombo->ComboBox()),
            (std::vector<std::string>{"PCX sprites (*.pcx)", "BMP images (*.bmp)", "PNG images (*.png)",
                                      "DEF animations (*.def)"}));
  EXPECT_EQ(Files(), (std::vector<std::string>{"hero.pcx"}));
  ShowDefFiles();
  EXPECT_EQ(Main->FilterCombo->Mask(), "*.def");
  EXPECT_EQ(Files(), (std::vector<std::string>{"button.def", "creature.def"}));
}

TEST_F(MainWindowDef, ADefFillsTheSpritePanelAndItsFirstGroupPlaysUntilAnotherFileIsChosen) {
  const std::vector<TPixels> frames = PlayedFrames(kSamples / kCreature);
  ASSERT_EQ(frames.size(), 4u);
  ShowDefFiles();
  ClickFile("creature.def");
  EXPECT_TRUE(Main->PcxGroup->Visible());
  EXPECT_FALSE(Main->BmpGroup->Visible());
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "48x40");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "DEF creature, 12 frames");
  EXPECT_EQ(PixelsOf(*Main->Image), frames[0]);
  const TRect bounds = Main->Preview->Bounds();
  EXPECT_EQ(bounds.Right - bounds.Left, 48);
  EXPECT_EQ(bounds.Bottom - bounds.Top, 40);

  // The ticks move it on through every frame of the group and round again.
  std::vector<bool> seen(frames.size(), false);
  seen[0] = true;
  ASSERT_TRUE(WaitFor([&] {
    const auto at = std::find(frames.begin(), frames.end(), PixelsOf(*Main->Image));
    if (at == frames.end()) return false;
    seen[static_cast<std::size_t>(at - frames.begin())] = true;
    return std::all_of(seen.begin(), seen.end(), [](bool s) { return s; });
  })) << "not every frame of the first group was shown";
  Main->Form->Widget()->grab().save(QString::fromStdString(test::ArtifactPath("main-def.png")));

  // Another file stops it: the sprite stays on the preview.
  ClickFile("button.def");
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "21x13");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "DEF interface, 2 frames");
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);
  ClickFile("hero.pcx");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "8 bit");
  const TPixels sprite = PixelsOf(*Main->Image);
  LetTicksPass(30);  // at 10 ms a tick, three frames of the animation
  EXPECT_EQ(PixelsOf(*Main->Image), sprite);
  EXPECT_EQ(Main->Image->Width(), 33);
}

TEST_F(MainWindowDef, APreviewClickSavesTheFrameShownAsBmpOrPng) {
  const std::vector<TPixels> frames = PlayedFrames(kSamples / kCreature);
  ShowDefFiles();
  ClickFile("creature.def");
  ASSERT_GT(WaitForALaterFrame(frames), 0u);

  // While the dialog is open the animation stands still on the clicked
  // frame; that frame is written.
  TPixels clicked;
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&](QWidget* w) {
      clicked = PixelsOf(*Main->Image);
      LetTicksPass(30);
      EXPECT_EQ(PixelsOf(*Main->Image), clicked) << "the frame moved on while the dialog was open";
      TypeNameAndSave(w, "frame");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(save.Fired());
  }
  ASSERT_NE(std::find(frames.begin(), frames.end(), clicked), frames.end());
  TDibBitmap bmp;
  ASSERT_TRUE(bmp.ReadBmpFile(Tree.Native("frame.bmp")));
  EXPECT_EQ(bmp.GetPixelFormat(), px8);
  EXPECT_EQ(PixelsOf(bmp), clicked);
  // It plays on afterwards.
  ASSERT_TRUE(WaitFor([&] { return PixelsOf(*Main->Image) != clicked; }));

  // PNG, with the shadow transparency chosen in "Палитра".
  QAction* alpha = nullptr;
  for (QAction* a : Main->Form->Widget()->findChildren<QAction*>())
    if (a->text() == "Прозрачность в PNG") alpha = a;
  ASSERT_NE(alpha, nullptr);
  alpha->trigger();
  ASSERT_TRUE(Main->PngAlpha());
  {
    TModalWatcher save(test::IsA<QFileDialog>(), [&](QWidget* w) {
      clicked = PixelsOf(*Main->Image);
      static_cast<QFileDialog*>(w)->selectNameFilter("PNG images (*.png)");
      TypeNameAndSave(w, "frame");
    });
    QTest::mouseClick(Main->Preview->Widget(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(save.Fired());
  }
  const std::vector<std::uint8_t> png = ReadBytes(Tree.Native("frame.png"));
  const std::string text(png.begin(), png.end());
  EXPECT_NE(text.find("tRNS"), std::string::npos) << "no shadow transparency";
  TDibBitmap back;
  ASSERT_TRUE(LoadPng(Tree.Native("frame.png"), back).Ok());
  EXPECT_EQ(PixelsOf(back), clicked);
}

TEST_F(MainWindowDef, ADefInsideAnArchiveShowsAndPlaysAsALooseOne) {
  const std::vector<TPixels> frames = PlayedFrames(kSamples / kCreature);
  TListViewObject& folders = *Main->DirList->ListView();
  int row = -1;
  for (int i = 0; i < folders.ItemCount(); ++i)
    if (folders.ItemText(i) == "Data.lod") row = i;
  ASSERT_GE(row, 0);
  folders.Tree()->scrollToItem(folders.Tree()->topLevelItem(row));
  test::ProcessPendingEvents();
  test::LetDoubleClickIntervalPass();
  test::DoubleClickListViewRow(folders, row);
  ASSERT_TRUE(Main->DirList->InContainer());
  ShowDefFiles();
  EXPECT_EQ(Files(), (std::vector<std::string>{"adag.def"}));
  ClickFile("adag.def");
  EXPECT_TRUE(Main->PcxGroup->Visible());
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "48x40");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "DEF creature, 12 frames");
  EXPECT_EQ(PixelsOf(*Main->Image), frames[0]);
  WaitForALaterFrame(frames);

  // The archive's sprite stops it.
  test::ChooseComboLine(*Main->FilterCombo->ComboBox(), 0);
  ClickFile("hero.pcx");
  const TPixels sprite = PixelsOf(*Main->Image);
  LetTicksPass(30);
  EXPECT_EQ(PixelsOf(*Main->Image), sprite);
}

}  // namespace
}  // namespace kelvane
