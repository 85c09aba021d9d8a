#include "ui/FileDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/Application.h"
#include "ui/WindowObject.h"

namespace kelvane {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutUtf8(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// The masks of "Caption|mask|Caption|mask", in order.
std::vector<std::string> FilterMasks(const std::string& filter) {
  std::vector<std::string> masks;
  const std::vector<std::string> parts = Split(filter, '|');
  for (std::size_t i = 0; i < parts.size(); i += 2) masks.push_back(i + 1 < parts.size() ? parts[i + 1] : "*");
  return masks;
}

// "bmp" for the mask "*.bmp"; "" for a mask of several patterns or one
// whose extension holds a wildcard ("*.*").
std::string SingleExtension(const std::string& mask) {
  if (mask.size() < 3 || mask.compare(0, 2, "*.") != 0) return "";
  const std::string extension = mask.substr(2);
  if (extension.find_first_of("*?;. ") != std::string::npos) return "";
  return extension;
}

}  // namespace

std::vector<std::string> QtNameFilters(const std::string& filter) {
  std::vector<std::string> result;
  if (filter.empty()) return result;
  const std::vector<std::string> parts = Split(filter, '|');
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    const std::string& caption = parts[i];
    std::string mask = i + 1 < parts.size() ? parts[i + 1] : std::string("*");
    // Several patterns are separated by ";" in a mask and by spaces in Qt.
    for (char& c : mask)
      if (c == ';') c = ' ';
    // A caption that already names its mask ("Bitmaps (*.bmp)") is kept as
    // it is; Qt takes the patterns from its last parentheses.
    if (caption.size() >= mask.size() + 2 && caption.ends_with("(" + mask + ")"))
      result.push_back(caption);
    else
      result.push_back(caption + " (" + mask + ")");
  }
  return result;
}

std::unique_ptr<TFileDialog> CreateFileDialog(const std::string& title, const std::string& startDirectory,
                                              TFileDialogOptions options) {
  auto dialog = std::make_unique<TFileDialog>();
  dialog->Title = title;
  dialog->StartDirectory = startDirectory;
  dialog->Options = options.Empty() ? DefaultFileDialogOptions : options;
  return dialog;
}

bool RunDialog(TFileDialog& d) {
  QWidget* owner = QApplication::activeWindow();
  if (owner == nullptr && MainForm() != nullptr) owner = MainForm()->Widget();
  QFileDialog dialog(owner);
  // Qt's own dialog: the same on every desktop, translated with Qt, and
  // usable on the offscreen platform.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  QString title = QString::fromStdString(d.Title);
  if (title.isEmpty())
    title = d.OpenMode ? QCoreApplication::translate("QFileDialog", "Open")
                       : QCoreApplication::translate("QFileDialog", "Save As");
  dialog.setWindowTitle(title);
  dialog.setAcceptMode(d.OpenMode || d.FolderMode ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  if (d.FolderMode) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  } else if (d.OpenMode) {
    if (d.Options.Contains(FdoAllowMultiSelect))
      dialog.setFileMode(QFileDialog::ExistingFiles);
    else if (d.Options.Contains(FdoFileMustExist))
      dialog.setFileMode(QFileDialog::ExistingFile);
    else
      dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    // A save dialog must be able to name a new file whatever the options say.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !d.Options.Contains(FdoOverwritePrompt));
  }
  if (d.Options.Contains(FdoNoDereferenceLinks)) dialog.setOption(QFileDialog::DontResolveSymlinks);
  QStringList filters;
  if (!d.FolderMode)
    for (const std::string& f : QtNameFilters(d.Filter)) filters << QString::fromStdString(f);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    if (d.FilterIndex >= 1 && d.FilterIndex <= filters.size()) dialog.selectNameFilter(filters[d.FilterIndex - 1]);
  }
  if (!d.DefaultExtension.empty() && !d.FolderMode)
    dialog.setDefaultSuffix(QString::fromStdString(d.DefaultExtension));
  // With several types to choose from, a name typed without an extension
  // takes the chosen type's own ("hero" saved as a PNG becomes hero.png,
  // not hero.bmp); a type with no single extension keeps DefaultExtension.
  if (!d.DefaultExtension.empty() && !d.FolderMode && filters.size() > 1) {
    const std::vector<std::string> masks = FilterMasks(d.Filter);
    auto follow = [&dialog, &d, masks, filters](const QString& chosen) {
      const auto at = filters.indexOf(chosen);
      const std::string extension =
          at >= 0 && static_cast<std::size_t>(at) < masks.size() ? SingleExtension(masks[at]) : std::string();
      dialog.setDefaultSuffix(QString::fromStdString(extension.empty() ? d.DefaultExtension : extension));
    };
    follow(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    // Qt's own dialog raises filterSelected for the user's choice only; its
    // type list also follows selectNameFilter, so the list is watched too.
    if (auto* types = dialog.findChild<QComboBox*>("fileTypeCombo"))
      QObject::connect(types, &QComboBox::currentTextChanged, &dialog, follow);
  }
  if (!d.StartDirectory.empty()) dialog.setDirectory(QString::fromStdString(d.StartDirectory));
  const std::string proposed = CutUtf8(d.FilePath, MaxProposedPathLength);
  if (d.FolderMode) {
    if (!proposed.empty()) dialog.setDirectory(QString::fromStdString(proposed));
  } else if (!proposed.empty()) {
    const QFileInfo info(QString::fromStdString(proposed));
    if (proposed.find('/') != std::string::npos) dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    d.FilePath.clear();
    return false;
  }
  const QStringList files = dialog.selectedFiles();
  if (d.Options.Contains(FdoAllowMultiSelect) && files.size() > 1) {
    // Directory, CR, name, CR, name ...
    std::string joined = QFileInfo(files.first()).absolutePath().toStdString();
    // Appended in two steps: "\r" + a temporary string trips a false
    // -Wrestrict of GCC 12 at -O3.
    for (const QString& file : files) {
      joined += '\r';
      joined += QFileInfo(file).fileName().toStdString();
    }
    d.FilePath = joined;
  } else {
    d.FilePath = files.first().toStdString();
  }
  const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  if (chosen >= 0) d.FilterIndex = chosen + 1;
  return true;
}

}  // namespace kelvane
