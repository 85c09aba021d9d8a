#include "app/MainForm.h"

#include <QAction>
#include <QCursor>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>

#include "app/ArchiveBrowsing.h"
#include "app/ExtractionDialog.h"
#include "app/StartPlaceOpening.h"
#include "browser/DirectoryListBox.h"
#include "browser/DriveComboBox.h"
#include "browser/FileListBox.h"
#include "browser/FilterComboBox.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/CanvasObject.h"
#include "ui/FileDialog.h"
#include "ui/FontObject.h"
#include "ui/MenuObject.h"
#include "ui/TimerObject.h"
#include "ui/WindowObject.h"
#include "workflow/ArchiveExtraction.h"
#include "workflow/FileKind.h"
#include "workflow/ImageCaptions.h"

namespace kelvane {

namespace {

constexpr TColor kNavy = RgbColor(0, 0, 128);
constexpr TColor kRed = RgbColor(255, 0, 0);
constexpr TColor kGreen = RgbColor(0, 128, 0);

constexpr const char* kNoneText = "<нет>";
constexpr const char* kNoteText =
    "Внимание! Преобразование в 8-бит- ный формат происходит в памяти и не затрагивает исходного BMP файла. "
    "Чтобы отменить преобразование, просто загрузите файл снова.";
constexpr const char* kWarningText =
    "Это изображение имеет битность выше 8-ми. Для его преобразования в 8-битный формат рекомендуется "
    "использовать внешние графические редакторы. В противном случае возможна заметная потеря качества "
    "изображения";
constexpr const char* kSaveFailedText = "Не удалось сохранить файл";
constexpr const char* kArchiveFailedText = "Не удалось открыть архив";
constexpr const char* kPaletteFailedText = "Не удалось прочитать палитру";

// Menu items, in template order (separators have no index).
constexpr int kExtractAllItem = 1;
constexpr int kExitItem = 2;
constexpr int kStandardPaletteItem = 4;
constexpr int kFilePaletteItem = 5;
constexpr int kPngAlphaItem = 6;

TWindowObject* AddLabel(TWindowObject* parent, const std::string& text, int left, int top, int width, int height) {
  TWindowObject* label = CreateLabel(parent, text);
  label->MoveTo(left, top);
  label->ResizeTo(width, height);
  return label;
}

TWindowObject* AddValueLabel(TWindowObject* parent, int left, int top) {
  TWindowObject* label = CreateLabel(parent, kNoneText);
  label->MoveTo(left, top);
  label->ResizeTo(0, 17);  // default width
  label->Font().SetColor(kNavy);
  return label;
}

// Lets a value label wrap onto a second row within `width` pixels instead
// of being cut at its panel's edge ("DEF creature, 12 frames"); a text of
// one row stays where it was.
void WrapWithin(TWindowObject* label, int width) {
  auto* text = static_cast<QLabel*>(label->Widget());
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->ResizeTo(width, 2 * 17);
}

// The directory part of a Windows-form file name, without its trailing "\":
// "D:\Out\hero.bmp" gives "D:\Out", "C:\hero.bmp" gives "C:".
std::string DirectoryOf(const std::string& systemPath) {
  const auto slash = systemPath.rfind('\\');
  if (slash == std::string::npos) return systemPath;
  std::string dir = systemPath.substr(0, slash);
  while (dir.size() > 2 && dir.back() == '\\') dir.pop_back();
  return dir;
}

void LinkValueLabelsToCaptions(TMainForm& self);

// "В папке уже есть файлы с теми же именами: a.bmp, b.bmp, c.bmp и ещё 2.
// Заменить их?"
std::string ReplaceQuestion(const std::vector<std::string>& names) {
  constexpr std::size_t kNamed = 3;
  std::string text = "В папке уже есть файлы с теми же именами: ";
  for (std::size_t i = 0; i < names.size() && i < kNamed; ++i) {
    if (i > 0) text += ", ";
    text += PrintableName(names[i]);
  }
  if (names.size() > kNamed) text += " и ещё " + std::to_string(names.size() - kNamed);
  return text + ".\nЗаменить их?";
}

}  // namespace

TMainForm* CreateMainForm(TWindowObject* parent) {
  // 1. The form, owning this record.
  TWindowObject* form = CreateForm(parent, "Kelvane (Heroes of Might and Magic III) v2.0");
  form->MoveTo(186, 25);
  form->ResizeTo(547, 479);
  TMainForm* self = form->AddToAutoFree(std::unique_ptr<TMainForm>(new TMainForm()));
  self->Form = form;
  form->OnShow = [self](TWindowObject*) { self->FormShow(); };

  // 2. The menu: item 0 "Файл" opening items 1 "Извлечь все..." and 2
  // "Выход"; item 3 "Палитра" opening the palette choice (4, 5, radio) and
  // the PNG transparency (6, a check item); item 7 on the bar.
  self->MainMenu = CreateMainMenu(form, 0,
                                  {"Файл", "(", "Извлечь все...", "-", "Выход", ")", "Палитра", "(",
                                   "+!Стандартная (256 цветов)", "-!Из файла...", "-", "-Прозрачность в PNG", ")",
                                   "О Программе...", ""});
  SetItemHandlers(self->MainMenu, kExtractAllItem,
                  {[self](TMenuObject*, int) { self->ExtractAllClick(); },
                   [self](TMenuObject*, int) { self->ExitClick(); }});
  SetItemHandlers(self->MainMenu, kStandardPaletteItem,
                  {[self](TMenuObject*, int) { self->StandardPaletteClick(); },
                   [self](TMenuObject*, int) { self->PaletteFromFileClick(); },
                   {},  // the check mark is the whole state: PngAlpha() reads it
                   [self](TMenuObject*, int) { self->AboutClick(); }});
  self->Archives = form->AddToAutoFree(std::make_unique<TArchiveBrowsing>());
  self->EnableExtraction();

  // 3. The refresh timer, started once everything exists.
  self->RefreshTimer = form->AddToAutoFree(CreateTimer(10));
  self->RefreshTimer->OnTimer = [self](TTimerObject*) { self->RefreshTick(); };

  // 4-5. The save dialogs; they ask before replacing a file. The preview's
  // file types follow the image (PreviewClick).
  self->BmpSaveDialog = form->AddToAutoFree(CreateFileDialog("", "", {}));
  self->BmpSaveDialog->Filter = "Bitmaps (*.bmp)|*.bmp";
  self->BmpSaveDialog->OpenMode = false;
  self->BmpSaveDialog->DefaultExtension = "bmp";
  self->PcxSaveDialog = form->AddToAutoFree(CreateFileDialog("", "", {}));
  self->PcxSaveDialog->Filter = "PCX sprites (*.pcx)|*.pcx";
  self->PcxSaveDialog->OpenMode = false;
  self->PcxSaveDialog->DefaultExtension = "pcx";
  self->ExtractFolderDialog = form->AddToAutoFree(CreateFileDialog("Извлечь в папку", "", {}));
  self->ExtractFolderDialog->FolderMode = true;
  self->PaletteOpenDialog = form->AddToAutoFree(CreateFileDialog("", "", {}));
  self->PaletteOpenDialog->Filter =
      "Palettes (*.pcx;*.bmp;*.png;*.pal)|*.pcx;*.bmp;*.png;*.pal|All files (*)|*";
  self->PaletteOpenDialog->OpenMode = true;

  // 6. The browser column; its components touch each other and its edges.
  self->BrowserPanel = CreatePanel(form, FrameNone);
  self->BrowserPanel->SetAlignment(AlignLeft);
  self->BrowserPanel->ResizeTo(137, 0);
  self->BrowserPanel->SetSpacing(0);

  // 7. Drives. The first programmatic choice raises nothing.
  self->DriveCombo = CreateDriveComboBox(self->BrowserPanel);
  self->DriveCombo->SetAlignment(AlignTop)->Resize(0, 19);
  self->DriveCombo->OnChange = [self](TDriveComboBox*) { self->DriveChange(); };
  self->DriveCombo->SetDrive('E');

  // 8. Directories.
  self->DirList = CreateDirectoryListBox(self->BrowserPanel);
  self->DirList->SetAlignment(AlignTop)->Resize(0, 134);
  self->DirList->OnChange = [self](TDirectoryListBox*) { self->DirChange(); };
  self->DirList->Indented = false;
  TArchiveBrowsing::OfferArchives(*self->DirList);
  self->DirList->SetPath(kStartDirectory);
  self->DirList->IntegralHeight = false;

  // 9. Filters.
  self->FilterCombo = CreateFilterComboBox(self->BrowserPanel);
  self->FilterCombo->SetAlignment(AlignBottom)->Resize(0, 19);
  self->FilterCombo->OnChange = [self](TFilterComboBox*) { self->FilterChange(); };
  self->FilterCombo->SetFilterIndex(0);
  self->FilterCombo->Filter =
      "PCX sprites (*.pcx)|*.pcx\r\nBMP images (*.bmp)|*.bmp\r\nPNG images (*.png)|*.png\r\n"
      "DEF animations (*.def)|*.def\r\n";
  self->FilterCombo->ParseFilter();

  // 10. Files, in lower case, sprites first.
  self->FileList = CreateFileListBox(self->BrowserPanel);
  self->FileList->SetAlignment(AlignClient);
  self->FileList->OnChange = [self](TFileListBox*) { self->FileSelected(); };
  self->FileList->NameCase = NameCaseLower;
  self->FileList->SetIntegralHeight(true);
  self->FileList->SetMask("*.pcx");
  self->FileList->SetPath(kStartDirectory);

  // 11. The PCX panel; its children take over its 11-pixel font.
  self->PcxGroup = CreateGroupBox(form, " Изображение PCX ");
  self->PcxGroup->SetAlignment(AlignLeft);
  self->PcxGroup->ResizeTo(160, 0);
  self->PcxGroup->Font().SetHeight(-11);
  self->PcxGroup->Hide();
  self->PcxFormatCaption = AddLabel(self->PcxGroup, "Формат:", 6, 32, 43, 17);
  self->PcxSizeLabel = AddValueLabel(self->PcxGroup, 56, 16);
  self->PcxSizeCaption = AddLabel(self->PcxGroup, "Размер:", 6, 16, 43, 17);
  self->PcxFormatLabel = AddValueLabel(self->PcxGroup, 56, 32);
  WrapWithin(self->PcxFormatLabel, 160 - 56 - 4);

  // 12. The BMP panel.
  self->BmpGroup = CreateGroupBox(form, " Изображение BMP ");
  self->BmpGroup->SetAlignment(AlignLeft);
  self->BmpGroup->ResizeTo(160, 0);
  self->BmpGroup->Font().SetHeight(-11);
  self->BmpGroup->Hide();
  self->BmpFormatLabel = AddValueLabel(self->BmpGroup, 56, 32);
  self->BmpFormatCaption = AddLabel(self->BmpGroup, "Формат:", 6, 32, 43, 17);
  self->BmpSizeLabel = AddValueLabel(self->BmpGroup, 56, 16);
  self->BmpSizeCaption = AddLabel(self->BmpGroup, "Размер:", 6, 16, 43, 17);

  self->ConvertGroup = CreateGroupBox(self->BmpGroup, " Конвертация в PCX ... ");
  self->ConvertGroup->MoveTo(2, 48);
  self->ConvertGroup->ResizeTo(155, 217);
  self->StatusLabel = AddLabel(self->ConvertGroup, "", 8, 40, 137, 30);
  self->StatusLabel->SetTextAlignment(HorzCenter);
  self->NoteLabel = CreateWrapLabel(self->ConvertGroup, kNoteText);
  self->NoteLabel->MoveTo(8, 96);
  self->NoteLabel->ResizeTo(137, 113);
  self->ConvertButton = CreateButton(self->ConvertGroup, "Преобразовать в 8 бит");
  self->ConvertButton->MoveTo(8, 72);
  self->ConvertButton->ResizeTo(139, 0);
  self->ConvertButton->OnClick = [self](TWindowObject*) { self->ConvertClick(); };
  self->SavePcxButton = CreateButton(self->ConvertGroup, "Сохранить как PCX...");
  self->SavePcxButton->MoveTo(8, 16);
  self->SavePcxButton->ResizeTo(139, 0);
  self->SavePcxButton->OnClick = [self](TWindowObject*) { self->SavePcxClick(); };

  self->WarningGroup = CreateGroupBox(self->BmpGroup, " Предупреждение ");
  self->WarningGroup->MoveTo(2, 264);
  self->WarningGroup->ResizeTo(155, 161);
  self->WarningGroup->Font().SetColor(kRed);
  self->WarningLabel = CreateWrapLabel(self->WarningGroup, kWarningText);
  self->WarningLabel->MoveTo(4, 16);
  self->WarningLabel->ResizeTo(146, 137);
  self->WarningLabel->Font().SetColor(ClWindowText);

  // 13-14. The preview, a paint area in a scroll box that follows its size.
  self->PreviewBox = CreateAutoScrollBox(form, FrameSunken);
  self->PreviewBox->SetAlignment(AlignClient);
  self->Preview = CreatePaintArea(self->PreviewBox);
  self->Preview->MoveTo(1, 1);
  self->Preview->SetCursor(QCursor(Qt::PointingHandCursor));
  self->Preview->OnClick = [self](TWindowObject*) { self->PreviewClick(); };
  self->Preview->OnPaint = [self](TWindowObject*, TCanvasObject& canvas) { self->PreviewPaint(&canvas); };

  // 15-16.
  self->RefreshTimer->SetEnabled(true);
  form->CenterOnScreen();
  LinkValueLabelsToCaptions(*self);
  // The extraction dialog, a form of the application window, hidden.
  self->ExtractDialog = CreateExtractionDialog(parent);
  return self;
}

void TMainForm::FormShow() {
  // Later showings (after the application was minimised) keep everything.
  if (Shown_) return;
  Shown_ = true;
  LastDir = CurrentDirectory();
  if (!LastDir.empty()) DriveCombo->SetDrive(LastDir[0]);
  DirList->SetPath(LastDir);
  PcxGroup->Show();
  BmpGroup->Hide();
  Image = NewDeviceBitmap(0, 0);
  if (!StartPath.empty()) OpenStartPath(*this, StartPath);
}

void TMainForm::DriveChange() { DirList->SetPath(std::string(1, DriveCombo->Drive()) + ":"); }

void TMainForm::DirChange() {
  TOutcome why;
  switch (Archives->Follow(*DirList, *FileList, why)) {
    case TArchiveBrowsing::TFollowed::Folder: FileList->SetPath(DirList->Path()); break;
    case TArchiveBrowsing::TFollowed::Archive: break;
    case TArchiveBrowsing::TFollowed::ArchiveFailed: {
      std::string path = DirList->Path();
      if (!path.empty()) path.pop_back();
      CurrentAppWindow()->ShowMessageBox(std::string(kArchiveFailedText) + "\n" +
                                         CurrentDriveMap().ToNative(path).value_or(path) + "\n" + why.Text());
      break;
    }
  }
  EnableExtraction();
}

void TMainForm::EnableExtraction() {
  if (QAction* item = MainMenu->ItemAction(kExtractAllItem)) item->setEnabled(Archives->IsOpen());
}

void TMainForm::FilterChange() { FileList->SetMask(FilterCombo->Mask()); }

void TMainForm::ExitClick() { Form->Close(); }

void TMainForm::AboutClick() {
  if (About == nullptr) return;
  ShowModal(About->Form);
  About->Form->Hide();
}

void TMainForm::FileSelected() {
  // The kind comes from the shown path; the file is opened by the name the
  // file system gave, which the lower-cased line may not match.
  const std::string path = FileList->Path() + "\\" + FileList->FileName();
  const TFileKind kind = FileKind(path);
  const std::string native = FileList->SelectedNativePath().value_or(std::string());
  RefreshTimer->SetEnabled(false);
  // Whatever was playing stops, even when the new file is refused.
  DefPreview_.Stop();
  if (Image) {
    const bool inArchive = FileList->ShowsListing() && Archives->IsOpen();
    if (kind == fkDef && inArchive)
      ShowLoad(DefPreview_.LoadEntry(*Image, Archives->Archive(), FileList->NativeFileName()));
    else if (kind == fkDef)
      ShowLoad(DefPreview_.LoadFile(*Image, native));
    else if (inArchive)
      ShowLoad(Archives->LoadSelected(*Image, *FileList));
    else
      ShowLoad(LoadImageFile(*Image, native, kind));
  }
  RefreshTimer->SetEnabled(true);
}

void TMainForm::ShowLoad(const TLoadResult& load) {
  if (load.Status == TLoadStatus::Refused) {
    CurrentAppWindow()->ShowMessageBox(load.Message);
    return;
  }
  if (!load.Shown()) return;
  const bool sprite = load.Panel == TImagePanel::Pcx;
  (sprite ? BmpGroup : PcxGroup)->Hide();
  (sprite ? PcxGroup : BmpGroup)->Show();
  PreviewPaint(nullptr);
  (sprite ? PcxSizeLabel : BmpSizeLabel)->SetCaption(load.SizeText);
  (sprite ? PcxFormatLabel : BmpFormatLabel)->SetCaption(load.FormatText);
}

void TMainForm::PreviewPaint(TCanvasObject* canvas) {
  const int width = Image ? Image->Width() : 0, height = Image ? Image->Height() : 0;
  const TRect bounds = Preview->Bounds();
  if (bounds.Right - bounds.Left != width || bounds.Bottom - bounds.Top != height)
    Preview->SetBounds(TRect{bounds.Left, bounds.Top, bounds.Left + width, bounds.Top + height});
  if (!Image) return;
  if (canvas != nullptr) {
    Image->DrawAt(*canvas, 0, 0);
  } else {
    // Called after a load or a conversion: the paint event that follows
    // draws the new image.
    Preview->Canvas().ClearBacking();
    Preview->Widget()->update();
  }
}

std::string TMainForm::RunSaveDialog(TFileDialog& dialog) {
  // LastDir + "\" + base name, in the native form the dialog works with. With
  // no name the proposal is the directory alone (a final "/" says so); a
  // LastDir on no drive leaves just the name.
  const std::string baseName = StripExtension(FileList->FileName());
  const std::optional<std::string> directory = CurrentDriveMap().ToNative(LastDir);
  if (!directory) dialog.FilePath = baseName;
  else dialog.FilePath = *directory + (directory->back() == '/' ? "" : "/") + baseName;
  if (!RunDialog(dialog)) return std::string();
  return dialog.FilePath;
}

void TMainForm::RememberDirectoryOf(const std::string& nativePath) {
  if (auto system = CurrentDriveMap().ToSystem(nativePath)) LastDir = DirectoryOf(*system);
}

void TMainForm::ShowSaveFailure(const std::string& nativePath, const TOutcome& why) {
  CurrentAppWindow()->ShowMessageBox(std::string(kSaveFailedText) + "\n" + nativePath + "\n" + why.Text());
}

void TMainForm::PreviewClick() {
  if (!Image) return;
  // An animation stands still on the clicked frame until the save is done.
  const TDefPreview::THold still(DefPreview_);
  // The file types follow the image: BMP and PNG always, above 8 bits a
  // 24-bit sprite too. The first type is chosen at first, every time; a name
  // typed without an extension takes the chosen type's.
  const std::vector<TSaveType> types = PreviewSaveTypes(Image->GetPixelFormat());
  std::string filter;
  for (const TSaveType& type : types) filter += (filter.empty() ? "" : "|") + std::string(type.Caption) + "|" + type.Mask;
  BmpSaveDialog->Filter = filter;
  BmpSaveDialog->FilterIndex = 1;
  const std::string chosen = RunSaveDialog(*BmpSaveDialog);
  if (chosen.empty()) return;
  const TSaveTarget target = PreviewSaveTarget(types, BmpSaveDialog->FilterIndex - 1, chosen);
  TSaveOptions options;
  options.PngAlpha = PngAlpha() ? TPngAlpha::Shadows : TPngAlpha::None;
  if (const TOutcome saved = SaveImage(*Image, chosen, target, options); !saved) {
    ShowSaveFailure(chosen, saved);
    return;
  }
  RememberDirectoryOf(chosen);
  // The new file shows when it was saved into the folder listed.
  FileList->Refresh();
}

void TMainForm::StandardPaletteClick() { Palette = TPaletteChoice{}; }

void TMainForm::PaletteFromFileClick() {
  // The radio item is checked already; a cancelled or failed choice puts the
  // check back where the palette in use is.
  auto restore = [this] {
    MainMenu->SetItemChecked(Palette.Kind == TPaletteChoice::TKind::FromFile ? kFilePaletteItem : kStandardPaletteItem,
                             true);
  };
  // The dialog opens in the folder of the last file chosen, with nothing
  // picked yet.
  PaletteOpenDialog->FilePath = PaletteDirectory_.empty() ? std::string() : PaletteDirectory_ + "/";
  if (!RunDialog(*PaletteOpenDialog)) {
    restore();
    return;
  }
  const std::string path = PaletteOpenDialog->FilePath;
  PaletteDirectory_ = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
  TPaletteChoice choice;
  if (const TOutcome loaded = LoadPaletteChoice(path, choice); !loaded) {
    restore();
    CurrentAppWindow()->ShowMessageBox(std::string(kPaletteFailedText) + "\n" + path + "\n" + loaded.Text());
    return;
  }
  Palette = choice;
  restore();
}

bool TMainForm::PngAlpha() const { return MainMenu->ItemChecked(kPngAlphaItem); }

void TMainForm::SavePcxClick() {
  // The button may still be enabled for up to one tick after a load; a
  // sprite is only ever written from an 8-bit image.
  if (!Image || !ReadinessOf(Image->GetPixelFormat()).ReadyForSprite) {
    CurrentAppWindow()->ShowMessageBox(kNotReadyText);
    return;
  }
  const std::string chosen = RunSaveDialog(*PcxSaveDialog);
  if (chosen.empty()) return;
  if (const TOutcome saved = SaveImage(*Image, chosen, TSaveTarget::Sprite); !saved) {
    ShowSaveFailure(chosen, saved);
    return;
  }
  RememberDirectoryOf(chosen);
}

void TMainForm::ExtractAllClick() {
  if (!Archives->IsOpen()) return;
  // The folder of the last save, as the save dialogs propose.
  ExtractFolderDialog->FilePath = CurrentDriveMap().ToNative(LastDir).value_or(std::string());
  if (!RunDialog(*ExtractFolderDialog)) return;
  const std::string folder = ExtractFolderDialog->FilePath;
  const std::optional<std::string> shownFolder = CurrentDriveMap().ToSystem(folder);
  const TExtractRequest request = ExtractAllRequest(FileList->Mask(), folder);
  if (const std::vector<std::string> inTheWay = FilesInTheWay(Archives->Archive(), request);
      !inTheWay.empty() && !CurrentAppWindow()->AskYesNo(ReplaceQuestion(inTheWay)))
    return;
  ExtractDialog->Run(Archives->Archive(), request, Archives->ShownName(), shownFolder.value_or(folder));
  if (shownFolder) LastDir = DirectoryOf(*shownFolder + "\\");
}

void TMainForm::ConvertClick() {
  if (!Image) return;
  // An empty image stays empty; its texts say so.
  ReduceWithPalette(*Image, Palette);
  PreviewPaint(nullptr);
  BmpSizeLabel->SetCaption(SizeText(Image->Width(), Image->Height()));
  BmpFormatLabel->SetCaption(ReducedFormatText(*Image));
}

void TMainForm::RefreshTick() {
  if (!Image) return;
  if (DefPreview_.Tick(*Image)) PreviewPaint(nullptr);
  const TPixelFormat format = Image->GetPixelFormat();
  const TReadiness readiness = ReadinessOf(format);
  SavePcxButton->SetEnabled(readiness.ReadyForSprite);
  ConvertButton->SetEnabled(!readiness.ReadyForSprite);
  if (StatusLabel->Caption() != readiness.StatusText) {
    StatusLabel->SetCaption(readiness.StatusText);
    StatusLabel->Font().SetColor(readiness.ReadyForSprite ? kGreen : kRed);
  }
  WarningGroup->SetVisible(readiness.ShowsWarning);
}

namespace {

// Screen readers announce each value label with the caption beside it
// ("Размер: 289x387"), as a sighted user reads the pair; nothing on screen
// changes.
void LinkValueLabelsToCaptions(TMainForm& self) {
  self.PcxSizeLabel->SetLabelledBy(self.PcxSizeCaption);
  self.PcxFormatLabel->SetLabelledBy(self.PcxFormatCaption);
  self.BmpSizeLabel->SetLabelledBy(self.BmpSizeCaption);
  self.BmpFormatLabel->SetLabelledBy(self.BmpFormatCaption);
}

}  // namespace

}  // namespace kelvane
