#include "ui/AboutWindow.h"

#include <memory>

#include "ui/FontObject.h"

namespace kelvane {

namespace {

// The project's own details. Single lines: the value labels do not wrap.
constexpr const char* ProgramName = "Kelvane v2.0";
constexpr const char* AuthorText = "Разработчики Kelvane";
constexpr const char* DateText = "2026";
constexpr const char* EmailText = "не указан";
constexpr const char* WebText = "не указан";

constexpr TColor Navy = RgbColor(0, 0, 128);
constexpr TColor DarkGreen = RgbColor(0, 128, 0);

TWindowObject* AddLabel(TWindowObject* form, const char* text, int left, int top, int width, TColor color,
                        bool colored) {
  TWindowObject* label = CreateLabel(form, text);
  label->Font().SetHeight(-11);
  if (colored) label->Font().SetColor(color);
  label->MoveTo(left, top)->ResizeTo(width, 17)->BringToFront();
  return label;
}

}  // namespace

TAboutWindow* CreateAboutWindow(TWindowObject* parent) {
  TWindowObject* form = CreateForm(parent, "О Программе...");
  form->MoveTo(206, 112)->ResizeTo(265, 183);
  TAboutWindow* about = form->AddToAutoFree(std::make_unique<TAboutWindow>());
  about->Form = form;
  form->SetVisible(false);
  form->SetMinimizeBox(false);
  form->SetMaximizeBox(false);
  form->SetSpacing(0);
  form->OnClose = [](TWindowObject* sender, bool& accept) {
    accept = false;
    sender->SetModalCode(-1);
  };

  about->WebCaption = AddLabel(form, "Web:", 0, 104, 49, 0, false);

  about->NameLabel = CreateLabel(form, ProgramName);
  about->NameLabel->SetAlignment(AlignTop)->ResizeTo(0, 33);
  about->NameLabel->Font().SetHeight(-14).SetFlags(TFontFlags{Bold}).SetColor(DarkGreen);
  about->NameLabel->SetTextAlignment(HorzCenter)->SetVerticalAlignment(VertCenter)->BringToFront();

  about->AuthorCaption = AddLabel(form, "Автор:", 0, 32, 49, 0, false);
  about->DateCaption = AddLabel(form, "Дата:", 0, 56, 49, 0, false);
  about->EmailCaption = AddLabel(form, "E-mail:", 0, 80, 49, 0, false);
  about->WebLabel = AddLabel(form, WebText, 48, 104, 209, Navy, true);
  about->AuthorLabel = AddLabel(form, AuthorText, 48, 32, 209, Navy, true);
  about->DateLabel = AddLabel(form, DateText, 48, 56, 209, Navy, true);
  about->EmailLabel = AddLabel(form, EmailText, 48, 80, 209, Navy, true);

  about->CloseButton = CreateButton(form, "Закрыть");
  about->CloseButton->Font().SetHeight(-11);
  about->CloseButton->MoveTo(96, 128)->BringToFront();
  about->CloseButton->OnClick = [form](TWindowObject*) { form->SetModalCode(1); };

  form->CenterOnScreen();
  form->SetResizable(false);
  return about;
}

}  // namespace kelvane
