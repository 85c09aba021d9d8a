#include "app/ExtractionDialog.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "ui/Application.h"
#include "ui/CanvasObject.h"
#include "ui/FontObject.h"
#include "ui/WindowObject.h"

namespace kelvane {

namespace {

// The form's outer size leaves room for a window manager's frame and title
// bar around the controls, which end at 384 x 254.
constexpr int kFormWidth = 400;
constexpr int kFormHeight = 300;
constexpr int kInnerWidth = 376;
constexpr TColor kNavy = RgbColor(0, 0, 128);
constexpr TColor kGrey = RgbColor(128, 128, 128);
constexpr TColor kWhite = RgbColor(255, 255, 255);

constexpr const char* kCancelText = "Отмена";
constexpr const char* kCloseText = "Закрыть";

std::string CountText(std::size_t done, std::size_t total) {
  return "Извлечено " + std::to_string(done) + " из " + std::to_string(total);
}

TWindowObject* Place(TWindowObject* control, int left, int top, int width, int height) {
  control->MoveTo(left, top);
  control->ResizeTo(width, height);
  return control;
}

// The line the dialog shows at the end.
std::string SummaryText(const TExtractSummary& summary) {
  if (!summary.Folder) return "Не удалось записать в папку: " + summary.Folder.Text();
  if (summary.Cancelled)
    return "Прервано: извлечено " + std::to_string(summary.Written) + " из " + std::to_string(summary.Matched) + ".";
  if (summary.Matched == 0) return "Нет файлов для извлечения.";
  std::string text = "Готово: извлечено " + std::to_string(summary.Written) + " из " + std::to_string(summary.Matched);
  if (summary.Converted > 0) text += ", в BMP преобразовано " + std::to_string(summary.Converted);
  text += ".";
  if (!summary.Failures.empty()) text += " Не извлечено: " + std::to_string(summary.Failures.size()) + ".";
  return text;
}

}  // namespace

TExtractionDialog* CreateExtractionDialog(TWindowObject* parent) {
  TWindowObject* form = CreateForm(parent, "Извлечение из архива");
  form->ResizeTo(kFormWidth, kFormHeight);
  TExtractionDialog* self = form->AddToAutoFree(std::unique_ptr<TExtractionDialog>(new TExtractionDialog()));
  self->Form = form;

  self->ArchiveLabel = Place(CreateLabel(form, ""), 8, 8, kInnerWidth, 17);
  self->FolderLabel = Place(CreateLabel(form, ""), 8, 26, kInnerWidth, 17);
  self->ProgressLabel = Place(CreateWrapLabel(form, ""), 8, 48, kInnerWidth, 32);
  self->ProgressLabel->Font().SetColor(kNavy);
  self->ProgressBar = Place(CreatePaintArea(form), 8, 84, kInnerWidth, 16);
  self->ProblemList = Place(CreateListBox(form, TListBoxOptions{LboNoIntegralHeight}), 8, 108, kInnerWidth, 112);
  self->ProblemList->Font().SetHeight(-11);
  self->ProblemList->SetAccessibleName("Не извлечено");
  self->ProblemList->Hide();
  self->Button = Place(CreateButton(form, kCancelText), 8 + kInnerWidth - 88, 230, 88, 24);
  self->Button->OnClick = [self](TWindowObject*) { self->ButtonClick(); };

  // The close box cancels a running extraction instead of closing; the
  // extraction must end before the dialog can.
  form->OnMessage = [self](TWindowObject*, TMessage& message) {
    if (message.Kind != TMessageKind::Close || self->State_ != TExtractionState::Running) return false;
    self->RequestCancel();
    return true;
  };

  form->SetResizable(false);
  form->SetMinimizeBox(false);
  form->SetMaximizeBox(false);
  form->CenterOnScreen();
  form->Hide();
  return self;
}

TExtractSummary TExtractionDialog::Run(const TLodArchive& archive, const TExtractRequest& request,
                                       const std::string& archiveName, const std::string& folder) {
  Archive_ = &archive;
  Request_ = &request;
  State_ = TExtractionState::Running;
  CancelRequested_ = false;
  Progress_ = TExtractProgress{};
  Summary_ = TExtractSummary{};
  ArchiveLabel->SetCaption("Архив: " + archiveName);
  FolderLabel->SetCaption("Папка: " + folder);
  ProgressLabel->SetCaption(CountText(0, 0));
  ProblemList->Clear();
  ProblemList->Hide();
  Button->SetCaption(kCancelText);
  Button->SetEnabled(true);
  PaintBar();

  // Begun from the dialog's own loop, once it is on the screen; the form's
  // widget ends the call should the form go first.
  QTimer::singleShot(0, Form->Widget(), [this] { Extract(); });
  ShowModal(Form);
  Form->Hide();
  Archive_ = nullptr;
  Request_ = nullptr;
  return Summary_;
}

void TExtractionDialog::Extract() {
  if (Archive_ == nullptr || Request_ == nullptr) return;
  Summary_ = ExtractArchive(*Archive_, *Request_, [this](const TExtractProgress& p) { return Report(p); });
  State_ = TExtractionState::Finished;
  ShowSummary();
}

bool TExtractionDialog::Report(const TExtractProgress& progress) {
  Progress_ = progress;
  if (!CancelRequested_) ProgressLabel->SetCaption(CountText(progress.Done, progress.Total));
  PaintBar();
  // The only time this thread sees the user while the entries are written.
  QCoreApplication::processEvents();
  if (OnProgress) {
    auto handler = OnProgress;
    handler(this, progress);
  }
  return !CancelRequested_;
}

void TExtractionDialog::ButtonClick() {
  if (State_ == TExtractionState::Running)
    RequestCancel();
  else
    Form->SetModalCode(1);
}

void TExtractionDialog::RequestCancel() {
  if (CancelRequested_) return;
  CancelRequested_ = true;
  ProgressLabel->SetCaption("Отмена: дописываются начатые файлы...");
  Button->SetEnabled(false);
}

void TExtractionDialog::ShowSummary() {
  ProgressLabel->SetCaption(SummaryText(Summary_));
  ProblemList->Clear();
  for (const std::string& problem : Summary_.ArchiveProblems) ProblemList->AddItem("Архив: " + problem);
  for (const TExtractFailure& failure : Summary_.Failures) ProblemList->AddItem(failure.Entry + ": " + failure.Why);
  ProblemList->SetVisible(ProblemList->ItemCount() > 0);
  Button->SetCaption(kCloseText);
  Button->SetEnabled(true);
  PaintBar();
}

void TExtractionDialog::PaintBar() {
  // Drawn into the bar's backing image, which its paint events show.
  const TRect bounds = ProgressBar->Bounds();
  const int width = bounds.Right - bounds.Left, height = bounds.Bottom - bounds.Top;
  TCanvasObject& canvas = ProgressBar->Canvas();
  canvas.FillRect(TRect{0, 0, width, height}, kGrey);
  canvas.FillRect(TRect{1, 1, width - 1, height - 1}, kWhite);
  const std::size_t total = Progress_.Total, done = std::min(Progress_.Done, Progress_.Total);
  const bool full = State_ == TExtractionState::Finished && !Summary_.Cancelled && Summary_.Folder.Ok();
  const int filled = full ? width - 2 : total == 0 ? 0 : static_cast<int>((width - 2) * done / total);
  if (filled > 0) canvas.FillRect(TRect{1, 1, 1 + filled, height - 1}, kNavy);
}

}  // namespace kelvane
