// The dialog of "Извлечь все...": the shared extraction (ExtractArchive)
// with its progress, a way to cancel it, and its summary.
//
// Run shows the dialog modally (the main window takes no input meanwhile)
// and starts the extraction once the dialog's loop runs. The entries are
// extracted on all cores; this thread only reports. At each report the
// dialog shows "Извлечено N из M" and the bar, handles the events that came
// meanwhile (a click on "Отмена", the close box: both cancel) and tells the
// extraction whether to go on. A cancel finishes the entries in hand and
// begins no new one, so only whole files are left. At the end the dialog
// says what was written, lists every entry that failed and why, and stays
// until the user closes it ("Закрыть" or the close box).
//
//   TExtractionDialog* dialog = CreateExtractionDialog(AppWindow);  // hidden
//   TExtractSummary done = dialog->Run(archive, request, "h3sprite.lod", "C:\\out");
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "formats/LodArchive.h"
#include "workflow/ArchiveExtraction.h"

namespace kelvane {

class TWindowObject;

enum class TExtractionState {
  Idle,      // not yet run
  Running,   // the extraction runs; "Отмена" cancels it
  Finished,  // the summary is shown; "Закрыть" closes the dialog
};

class TExtractionDialog {
 public:
  TWindowObject* Form = nullptr;
  TWindowObject* ArchiveLabel = nullptr;   // "Архив: h3sprite.lod"
  TWindowObject* FolderLabel = nullptr;    // "Папка: C:\out"
  TWindowObject* ProgressLabel = nullptr;  // "Извлечено 12 из 40", then the summary
  TWindowObject* ProgressBar = nullptr;    // a paint area
  TWindowObject* ProblemList = nullptr;    // at the end: what failed and why; hidden when nothing did
  TWindowObject* Button = nullptr;         // "Отмена", then "Закрыть"

  // Raised on this thread after each report has been shown and the events
  // that came meanwhile were handled, before the extraction is told whether
  // to go on.
  std::function<void(TExtractionDialog* sender, const TExtractProgress& progress)> OnProgress;

  // Extracts `request` from `archive` as described above; `archiveName` and
  // `folder` are what the labels show. Returns when the user closed the
  // dialog, with what the extraction did.
  TExtractSummary Run(const TLodArchive& archive, const TExtractRequest& request, const std::string& archiveName,
                      const std::string& folder);

  TExtractionState State() const { return State_; }
  // The user asked to stop (only while Running).
  bool CancelRequested() const { return CancelRequested_; }
  const TExtractProgress& LastProgress() const { return Progress_; }
  const TExtractSummary& Summary() const { return Summary_; }

 private:
  friend TExtractionDialog* CreateExtractionDialog(TWindowObject* parent);
  TExtractionDialog() = default;
  void Extract();
  bool Report(const TExtractProgress& progress);
  void ButtonClick();
  void RequestCancel();
  void ShowSummary();
  void PaintBar();

  const TLodArchive* Archive_ = nullptr;
  const TExtractRequest* Request_ = nullptr;
  TExtractionState State_ = TExtractionState::Idle;
  bool CancelRequested_ = false;
  TExtractProgress Progress_;
  TExtractSummary Summary_;
};

// Builds the hidden, fixed-size dialog centred on the screen, with `parent`
// (the application window) as owner. The holder belongs to the form.
TExtractionDialog* CreateExtractionDialog(TWindowObject* parent);

}  // namespace kelvane
