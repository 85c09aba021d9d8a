// `kelvane PATH` in the window: the first showing opens a file (selected,
// loaded, the filter following its kind), a folder, an archive, or an entry
// inside one, as a user clicking there would.
#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "browser/DirectoryListBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "formats/LodArchive.h"
#include "platform/DriveMap.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/QtTestHelpers.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/WindowObject.h"

namespace kelvane {
namespace {

using test::ItemTexts;
using test::WaitFor;

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(KELVANE_SOURCE_DIR) / "samples";

using test::ReadBytes;

class MainWindowStart : public test::TMainWindowTest {
 protected:
  void SetUp() override {
    const fs::path root = Tree.Root();
    Tree.Dir("mods");
    Tree.Dir("mods/anims");
    fs::copy_file(kSamples / "creature-format1-48x40.def", root / "mods/anims/Creature.def");
    fs::copy_file(kSamples / "interface-format0-21x13.def", root / "mods/anims/button.def");
    fs::copy_file(kSamples / "bmp24-45x30.bmp", root / "mods/anims/Photo.BMP");
    fs::copy_file(kSamples / "sprite8-33x21.pcx", root / "mods/anims/hero.pcx");
    fs::copy_file(kSamples / "sprite8-7x9.pcx", root / "top.pcx");
    TLodBuilder builder;
    ASSERT_TRUE(builder.Put("ADAG.def", ReadBytes(kSamples / "creature-format1-48x40.def")));
    ASSERT_TRUE(builder.Put("Hero.pcx", ReadBytes(kSamples / "sprite8-33x21.pcx")));
    ASSERT_TRUE(builder.Save(Tree.Native("mods/H3sprite.lod")));
  }

  // Builds the window with `path` as `kelvane PATH` would and shows it.
  void Start(const std::string& path) { ASSERT_NO_FATAL_FAILURE(OpenWindow(Tree.Root(), path)); }

  std::vector<std::string> Files() { return ItemTexts(*Main->FileList->ListBox()); }
  int FilterLine() { return Main->FilterCombo->ComboBox()->SelectedIndex(); }
  std::string Shown(const std::string& relative) { return test::SystemPath(Tree.Native(relative)); }

  test::TTempTree Tree;
  TScopedDriveMap Drives{test::DesktopDriveMap(Tree.Root())};
};

TEST_F(MainWindowStart, AFileIsSelectedAndLoadedInItsFolderUnderTheFilterOfItsKind) {
  Start("mods/anims/Creature.def");
  EXPECT_EQ(Main->DirList->Path(), Shown("mods/anims") + "\\");
  EXPECT_EQ(FilterLine(), 3);
  EXPECT_EQ(Main->FilterCombo->Mask(), "*.def");
  EXPECT_EQ(Files(), (std::vector<std::string>{"button.def", "creature.def"}));
  EXPECT_EQ(Main->FileList->FileName(), "creature.def");
  EXPECT_TRUE(Main->PcxGroup->Visible());
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "48x40");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "DEF creature, 12 frames");
  EXPECT_EQ(Main->Image->Width(), 48);
  EXPECT_EQ(Main->LastDir, Shown("mods/anims")) << "saves propose the file's folder";
}

TEST_F(MainWindowStart, ABitmapChoosesTheBmpFilterAndPanel) {
  Start(Tree.Native("mods/anims/Photo.BMP"));
  EXPECT_EQ(FilterLine(), 1);
  EXPECT_EQ(Files(), (std::vector<std::string>{"photo.bmp"}));
  EXPECT_EQ(Main->FileList->FileName(), "photo.bmp");
  EXPECT_TRUE(Main->BmpGroup->Visible());
  EXPECT_FALSE(Main->PcxGroup->Visible());
  EXPECT_EQ(Main->BmpSizeLabel->Caption(), "45x30");
  EXPECT_EQ(Main->BmpFormatLabel->Caption(), "24 bit");
}

TEST_F(MainWindowStart, AFolderIsListedWithNothingSelected) {
  Start(Tree.Native("mods/anims") + "/");
  EXPECT_EQ(Main->DirList->Path(), Shown("mods/anims") + "\\");
  EXPECT_EQ(FilterLine(), 0);
  EXPECT_EQ(Files(), (std::vector<std::string>{"hero.pcx"}));
  EXPECT_EQ(Main->FileList->FileName(), "");
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "<нет>");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "<нет>");
}

TEST_F(MainWindowStart, AnArchiveEntryOpensTheArchiveAtThatEntry) {
  Start(Tree.Native("mods/H3sprite.lod") + "/adag.DEF");
  EXPECT_TRUE(Main->DirList->InContainer());
  EXPECT_EQ(Main->DirList->Path(), Shown("mods/H3sprite.lod") + "\\");
  EXPECT_EQ(FilterLine(), 3);
  EXPECT_EQ(Files(), (std::vector<std::string>{"adag.def"}));
  EXPECT_EQ(Main->FileList->FileName(), "adag.def");
  EXPECT_EQ(Main->PcxSizeLabel->Caption(), "48x40");
  EXPECT_EQ(Main->PcxFormatLabel->Caption(), "DEF creature, 12 frames");
  EXPECT_EQ(Main->LastDir, Shown("mods")) << "saves go beside the archive";
}

TEST_F(MainWindowStart, NoPathOrAVanishedOneStartsInTheCurrentFolder) {
  Start("");
  const std::string current = Main->DirList->Path();
  EXPECT_EQ(Files(), (std::vector<std::string>{"top.pcx"}));
  EXPECT_EQ(Main->FileList->FileName(), "");
  CloseWindow();
  Start("gone/away.def");
  EXPECT_EQ(Main->DirList->Path(), current);
  EXPECT_EQ(Files(), (std::vector<std::string>{"top.pcx"}));
  EXPECT_EQ(FilterLine(), 0);
}

}  // namespace
}  // namespace kelvane
