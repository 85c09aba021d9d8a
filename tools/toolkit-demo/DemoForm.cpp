#include "tools/toolkit-demo/DemoForm.h"

#include <QCursor>
#include <string>

#include "ui/AboutWindow.h"
#include "ui/Application.h"
#include "ui/CanvasObject.h"
#include "ui/FileDialog.h"
#include "ui/FontObject.h"

namespace kelvane {

namespace {

constexpr int PreviewWidth = 360;
constexpr int PreviewHeight = 480;

// A colour wheel on a checkerboard, so that scrolling is easy to follow.
std::vector<std::uint32_t> MakePreviewPixels() {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(PreviewWidth) * PreviewHeight);
  for (int y = 0; y < PreviewHeight; ++y) {
    for (int x = 0; x < PreviewWidth; ++x) {
      const bool light = ((x / 20) + (y / 20)) % 2 == 0;
      const auto r = static_cast<std::uint32_t>(x * 255 / PreviewWidth);
      const auto g = static_cast<std::uint32_t>(y * 255 / PreviewHeight);
      const std::uint32_t b = light ? 200u : 90u;
      pixels[static_cast<std::size_t>(y * PreviewWidth + x)] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  return pixels;
}

// Six 16 x 16 icons in one strip: coloured squares with a white (transparent) rim.
std::vector<std::uint32_t> MakeIconStrip() {
  const std::uint32_t colours[6] = {0xFFE0B030u, 0xFFF0D060u, 0xFF808890u, 0xFF4060C0u, 0xFFC0C0D0u, 0xFF40A060u};
  std::vector<std::uint32_t> pixels(96 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 96; ++x) {
      const int ix = x % 16;
      const bool rim = ix < 2 || ix > 13 || y < 3 || y > 13;
      pixels[static_cast<std::size_t>(y * 96 + x)] = rim ? 0xFFFFFFFFu : colours[x / 16];
    }
  return pixels;
}

void Report(TDemoForm* demo, const std::string& text) { demo->StatusLabel->SetCaption(text); }

}  // namespace

TDemoForm* CreateDemoForm(TWindowObject* app, TAboutWindow* about) {
  TWindowObject* form = CreateForm(app, "Kelvane — демонстрация элементов");
  form->MoveTo(100, 60)->ResizeTo(700, 500);
  TDemoForm* demo = form->AddToAutoFree(std::make_unique<TDemoForm>());
  demo->Form = form;
  demo->About = about;

  auto showAbout = [demo](auto&&...) {
    if (demo->About == nullptr) return;
    const int code = ShowModal(demo->About->Form);
    demo->About->Form->Hide();
    Report(demo, "О программе: ModalCode " + std::to_string(code));
  };
  demo->Menu = CreateMainMenu(form, 0,
                              {"Файл", "(", "Открыть...", "-", "Выход", ")", "Вид", "(", "+!Крупно", "-!Мелко", "-",
                               "+Сетка", ")", "О Программе...", ""},
                              [demo](TMenuObject* menu, int index) {
                                Report(demo, "Меню: пункт " + std::to_string(index) +
                                                 (menu->ItemChecked(index) ? " (отмечен)" : ""));
                              });
  demo->Timer = form->AddToAutoFree(CreateTimer(500));
  demo->OpenDialog = form->AddToAutoFree(CreateFileDialog("", "", {}));
  demo->OpenDialog->Filter = "PCX sprites (*.pcx)|*.pcx|Bitmaps (*.bmp)|*.bmp|Все файлы|*";
  auto openFile = [demo](auto&&...) {
    if (RunDialog(*demo->OpenDialog))
      Report(demo, "Выбран файл: " + demo->OpenDialog->FilePath);
    else
      Report(demo, "Выбор файла отменён");
  };
  SetItemHandlers(demo->Menu, 1, {openFile, [form](TMenuObject*, int) { form->Close(); }});
  SetItemHandlers(demo->Menu, 6, {showAbout});

  // The browser column: drop-down, list view, list box and an editable drop-down.
  demo->BrowserPanel = CreatePanel(form, FrameNone);
  demo->BrowserPanel->ResizeTo(180, 0)->SetAlignment(AlignLeft);
  demo->BrowserPanel->SetSpacing(0);
  demo->DriveCombo = CreateComboBox(demo->BrowserPanel, {CboDropDownList});
  demo->DriveCombo->Font().SetHeight(-11).SetFaceName("Courier New");
  demo->DriveCombo->SetAlignment(AlignTop)->ResizeTo(0, 22);
  for (const char* drive : {"C - [Жесткий диск]", "D - [CD]", "E - [Сменный накопитель]"}) demo->DriveCombo->AddItem(drive);
  demo->DriveCombo->OnChange = [demo](TWindowObject* s) { Report(demo, "Диск: " + s->ItemText(s->SelectedIndex())); };

  demo->DirectoryView = CreateListView(demo->BrowserPanel, LvReportNoHeader, {});
  demo->DirectoryView->SetOptions({LvoAutoArrange, LvoFullRowSelect, LvoInfoTip});
  demo->DirectoryView->SetAlignment(AlignTop)->ResizeTo(0, 120);
  TImageListObject* icons = CreateImageList(demo->BrowserPanel);
  icons->ImageWidth = icons->ImageHeight = 16;
  const auto strip = MakeIconStrip();
  TImageListAdder adder(*icons, RgbColor(255, 255, 255));
  adder.DrawRows32(0, 0, TPixelRows32{96, 16, strip.data(), 96 * 4});
  demo->DirectoryView->SetImageList(16, icons);
  demo->DirectoryView->AddColumn("", HorzLeft, 160);
  int row = demo->DirectoryView->AddRow("C:", 0, 2, 0);
  demo->DirectoryView->AddRow("Games", 0, 1, 0);
  demo->DirectoryView->AddRow("Heroes3", 0, 1, 0);
  for (const char* sub : {"Data", "Maps", "Music", "Games"}) {
    row = demo->DirectoryView->AddRow(sub, 0, 0, 0);
    demo->DirectoryView->SetItemIndent(row, 1);
  }
  demo->DirectoryView->OnMouseDoubleClick = [demo](TWindowObject* s, TMouseRecord&) {
    Report(demo, "Двойной щелчок: " + s->ItemText(s->SelectedIndex()));
  };

  demo->EditCombo = CreateComboBox(demo->BrowserPanel, {});
  demo->EditCombo->SetAlignment(AlignBottom)->ResizeTo(0, 22);
  demo->EditCombo->AddItem("*.pcx");
  demo->EditCombo->AddItem("*.bmp");
  demo->EditCombo->OnChange = [demo](TWindowObject* s) {
    Report(demo, "Маска: " + s->ItemText(s->SelectedIndex()) + " / " + s->Caption());
  };

  demo->FileList = CreateListBox(demo->BrowserPanel, {LboNoIntegralHeight});
  demo->FileList->Font().SetHeight(-11);
  demo->FileList->SetAlignment(AlignClient);
  for (const char* name : {"adventure.pcx", "castle.pcx", "hero01.pcx", "map_bg.pcx", "portrait.pcx", "titlescr.pcx"})
    demo->FileList->AddItem(name);
  demo->FileList->OnChange = [demo](TWindowObject* s) { Report(demo, "Файл: " + s->ItemText(s->SelectedIndex())); };
  demo->FileList->OnClick = [demo](TWindowObject* s) {
    Report(demo, "Двойной щелчок по файлу: " + s->ItemText(s->SelectedIndex()));
  };

  // The status line at the bottom of the form.
  demo->StatusLabel = CreateLabel(form, "Готово");
  demo->StatusLabel->SetAlignment(AlignBottom)->ResizeTo(0, 20);
  demo->StatusLabel->Font().SetHeight(-11).SetColor(RgbColor(0, 0, 128));

  // A group box of labels and buttons.
  demo->ControlsGroup = CreateGroupBox(form, " Элементы ");
  demo->ControlsGroup->ResizeTo(170, 0)->SetAlignment(AlignLeft);
  demo->ControlsGroup->Font().SetHeight(-11);
  demo->NameCaption = CreateLabel(demo->ControlsGroup, "Размер:");
  demo->NameCaption->MoveTo(6, 20)->ResizeTo(50, 17);
  demo->NameLabel = CreateLabel(demo->ControlsGroup, "360x480");
  demo->NameLabel->MoveTo(60, 20)->ResizeTo(100, 17);
  demo->NameLabel->Font().SetColor(RgbColor(0, 0, 128));
  demo->TimerLabel = CreateLabel(demo->ControlsGroup, "Таймер: 0");
  demo->TimerLabel->MoveTo(6, 40)->ResizeTo(150, 17);
  demo->NoteLabel = CreateWrapLabel(demo->ControlsGroup,
                                    "Переносимая надпись: длинный текст переносится по словам внутри своей рамки.");
  demo->NoteLabel->MoveTo(6, 62)->ResizeTo(156, 60);
  demo->MessageButton = CreateButton(demo->ControlsGroup, "Сообщение");
  demo->MessageButton->MoveTo(6, 128)->ResizeTo(156, 0);
  demo->MessageButton->OnClick = [](TWindowObject* s) { s->ShowMessageBox("Неверный формат!"); };
  demo->AboutButton = CreateButton(demo->ControlsGroup, "О программе...");
  demo->AboutButton->MoveTo(6, 154)->ResizeTo(156, 0);
  demo->AboutButton->OnClick = showAbout;
  demo->OpenButton = CreateButton(demo->ControlsGroup, "Открыть файл...");
  demo->OpenButton->MoveTo(6, 180)->ResizeTo(156, 0);
  demo->OpenButton->OnClick = openFile;
  demo->FramedPanel = CreatePanel(demo->ControlsGroup, FrameSunken);
  demo->FramedPanel->MoveTo(6, 210)->ResizeTo(156, 40);
  TWindowObject* panelText = CreateLabel(demo->FramedPanel, "Панель с рамкой");
  panelText->SetAlignment(AlignClient);
  panelText->SetTextAlignment(HorzCenter)->SetVerticalAlignment(VertCenter);

  // The preview: a paint area larger than its auto-scroll box.
  demo->PreviewBox = CreateAutoScrollBox(form, FrameSunken);
  demo->PreviewBox->SetAlignment(AlignClient);
  demo->PreviewPixels = MakePreviewPixels();
  demo->Preview = CreatePaintArea(demo->PreviewBox);
  demo->Preview->MoveTo(1, 1)->ResizeTo(PreviewWidth, PreviewHeight);
  demo->Preview->SetCursor(QCursor(Qt::PointingHandCursor));
  demo->Preview->OnPaint = [demo](TWindowObject*, TCanvasObject& canvas) {
    canvas.DrawRows32(0, 0, TPixelRows32{PreviewWidth, PreviewHeight, demo->PreviewPixels.data(), PreviewWidth * 4});
  };
  demo->Preview->OnClick = [demo](TWindowObject*) { Report(demo, "Щелчок по рисунку"); };

  demo->Timer->OnTimer = [demo](TTimerObject*) {
    demo->TimerLabel->SetCaption("Таймер: " + std::to_string(++demo->Ticks));
  };
  demo->Timer->SetEnabled(true);
  form->CenterOnScreen();
  return demo;
}

}  // namespace kelvane
