// TMainForm: Kelvane's one main window.
//
// On the left the file browser (drive drop-down, directory list, file list,
// filter drop-down); next to it one of two image panels, PCX or BMP; the
// preview fills the rest. Selecting a ".pcx" file reads it into the shared
// Image by what it holds (a sprite, a ZSoft PCX or a P32 image) and shows
// it; a click on the preview saves Image as a BMP file, or, for images above
// 8 bits, as a 24-bit sprite when the user picks "PCX 24 bit". Selecting a ".bmp" file loads it; "Преобразовать в 8 бит" reduces it
// in memory and "Сохранить как PCX..." writes it as a sprite. A 10 ms timer
// keeps the BMP panel's buttons, status line and warning in step with the
// format of Image. PNG files load like BMP files; the preview saves BMP or
// PNG by the type chosen in its dialog. The "Палитра" menu chooses what
// "Преобразовать в 8 бит" maps onto: the fixed 256-colour table or the
// palette of a file (game conventions kept), and whether PNG files get the
// shadow transparency of entries 0, 1 and 4.
//
// A ".def" file (or entry) shows its first frame on the PCX panel with the
// DEF's size and "DEF creature, 12 frames"; the preview then plays its
// first group at ten frames a second on the refresh timer's ticks
// (app/DefPreview.h) until another file is selected, and a click saves the
// frame shown, as for a sprite.
//
// Paths: the window works with Windows-form paths ("C:\home\ann\maps") like
// the browser components; files are opened by the name the file system gave
// (the file list's native path) and the save dialogs get native paths
// through the drive map.
//
// The game's archives (".lod", ".pac") open like folders from the folder
// list (app/ArchiveBrowsing.h): the file list shows their entries and an
// entry loads as a file of its name would. While one is shown, "Файл",
// "Извлечь все..." extracts the entries the filter shows into a chosen
// folder, sprites as BMP files, with a progress dialog
// (app/ExtractionDialog.h); it asks before replacing files already there.
//
// Failures the user must know about are message boxes: a ".pcx" file that
// is no image read here ("Неверный формат!", with a line naming what it is
// when that is known), a save that did not happen and an archive that
// cannot be opened; a BMP that cannot be read shows 0x0 and "<ошибка>".
#pragma once

#include <memory>
#include <string>

#include "app/DefPreview.h"
#include "image/DibBitmap.h"
#include "ui/BaseObject.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

class TWindowObject;
class TMenuObject;
class TTimerObject;
class TFileDialog;
class TDriveComboBox;
class TDirectoryListBox;
class TFileListBox;
class TFilterComboBox;
class TCanvasObject;
class TArchiveBrowsing;
class TExtractionDialog;
struct TAboutWindow;

class TMainForm final : public TBaseObject {
 public:
  TWindowObject* Form = nullptr;
  TMenuObject* MainMenu = nullptr;
  TWindowObject* BrowserPanel = nullptr;
  TDriveComboBox* DriveCombo = nullptr;
  TDirectoryListBox* DirList = nullptr;
  TFileListBox* FileList = nullptr;
  TFilterComboBox* FilterCombo = nullptr;
  TWindowObject* PcxGroup = nullptr;
  TWindowObject* BmpGroup = nullptr;
  TWindowObject* PreviewBox = nullptr;
  TWindowObject* PcxSizeCaption = nullptr;
  TWindowObject* PcxSizeLabel = nullptr;
  TWindowObject* PcxFormatLabel = nullptr;
  TWindowObject* Preview = nullptr;
  TWindowObject* BmpSizeCaption = nullptr;
  TWindowObject* BmpFormatCaption = nullptr;
  TWindowObject* BmpSizeLabel = nullptr;
  TWindowObject* BmpFormatLabel = nullptr;
  TWindowObject* ConvertGroup = nullptr;
  TWindowObject* SavePcxButton = nullptr;
  TTimerObject* RefreshTimer = nullptr;
  TFileDialog* BmpSaveDialog = nullptr;
  TFileDialog* PcxSaveDialog = nullptr;
  TWindowObject* ConvertButton = nullptr;
  TWindowObject* StatusLabel = nullptr;
  TWindowObject* PcxFormatCaption = nullptr;
  TWindowObject* WarningGroup = nullptr;
  TWindowObject* WarningLabel = nullptr;
  TWindowObject* NoteLabel = nullptr;
  TFileDialog* ExtractFolderDialog = nullptr;
  TExtractionDialog* ExtractDialog = nullptr;
  // The archive the browser shows, when it shows one.
  TArchiveBrowsing* Archives = nullptr;
  TFileDialog* PaletteOpenDialog = nullptr;

  // What "Преобразовать в 8 бит" maps onto; the standard table at first.
  TPaletteChoice Palette;

  // The image being converted: created empty on the first showing, replaced
  // by every load, shown by the preview.
  std::unique_ptr<TDibBitmap> Image;
  // The directory the save dialogs propose (Windows form, no trailing "\").
  std::string LastDir;
  // The About window the menu shows; set by the program after construction.
  TAboutWindow* About = nullptr;
  // What `kelvane PATH` names (native, as given); the first showing opens
  // it instead of the current folder when it is not empty
  // (app/StartPlaceOpening.h).
  std::string StartPath;

  // The workflows' handlers, public so that the program's wiring is plain.
  void FormShow();
  void FileSelected();
  void PreviewPaint(TCanvasObject* canvas);
  void PreviewClick();
  void RefreshTick();
  void ConvertClick();
  void SavePcxClick();
  void ExitClick();
  void AboutClick();
  void ExtractAllClick();
  void DriveChange();
  void DirChange();
  void FilterChange();
  void StandardPaletteClick();
  void PaletteFromFileClick();
  // Whether PNG files of 8-bit images are saved with the shadow alphas.
  bool PngAlpha() const;

 private:
  friend TMainForm* CreateMainForm(TWindowObject* parent);
  TMainForm() = default;
  // Runs `dialog` proposing LastDir + "\" + base name; the chosen native
  // path, or "" when the user cancelled.
  std::string RunSaveDialog(TFileDialog& dialog);
  // After a completed save: LastDir becomes the directory of `nativePath`.
  void RememberDirectoryOf(const std::string& nativePath);
  void ShowSaveFailure(const std::string& nativePath, const TOutcome& why);
  // Shows what a load gave: its panel, texts and preview, or its message.
  void ShowLoad(const TLoadResult& load);
  // "Извлечь все..." can be chosen exactly while an archive is shown.
  void EnableExtraction();

  TDefPreview DefPreview_;
  bool Shown_ = false;
  std::string PaletteDirectory_;  // native; where the palette dialog opens
};

// Builds the main window with `parent` (the application window) as owner;
// the window owns the returned object.
TMainForm* CreateMainForm(TWindowObject* parent);

// The directory the browser shows before the first showing replaces it with
// the current directory.
inline constexpr const char* kStartDirectory = "E:\\Games\\Heroes3\\Data";

}  // namespace kelvane
