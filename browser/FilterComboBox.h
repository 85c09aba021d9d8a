// TFilterComboBox: the drop-down of file kinds under the file list.
//
// The owner writes a filter string into Filter and calls ParseFilter once.
// The string is a run of lines, each "description|mask" and each ended by
// CR LF (the last line break may be missing):
//
//   "PCX sprites (*.pcx)|*.pcx\r\nBMP images (*.bmp)|*.bmp\r\n"
//
// A line break is recognised by CR alone: a CR swallows the character after
// it, whatever it is, and a lone LF is part of a line. A line without "|"
// has an empty description and is all mask; a line with several splits at
// the first. An empty line inside the string is an empty entry; only an
// empty last line is dropped.
//
// The drop-down shows the descriptions; Mask holds the mask of the line the
// user chose last. Events: SetMask raises OnChange; SetFilterIndex raises it
// from its second call on; a user's choice raises it twice, both times after
// Mask holds the new value (the owner may rely on either).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "browser/BrowserSupport.h"
#include "ui/BaseObject.h"
#include "ui/WindowObject.h"

namespace kelvane {

class TFilterItem {
 public:
  std::string Line;         // the whole line, line break removed
  std::string Description;  // before the first "|": what the drop-down shows
  std::string Mask;         // after the first "|": what the file list gets
};

class TFilterComboBox final : public TBaseObject {
 public:
  ~TFilterComboBox() override;

  // Passes the alignment to the combo box; returns the component.
  TFilterComboBox* SetAlignment(TAlign align);
  // Sets the width and then the height to exactly these values (0 included);
  // returns the component.
  TFilterComboBox* Resize(int width, int height);

  // Builds the entries and the drop-down lines from Filter. Meant to be
  // called once: the line counter starts at entry 0 whatever the entries
  // already hold, so a second call adds its text to the existing entries.
  void ParseFilter();
  // Makes line `index` current without a notification (no line when there
  // is none with that index), counts the call and, from the second call on,
  // raises OnChange. Mask is not changed.
  void SetFilterIndex(int index);
  // Sets Mask and raises OnChange.
  void SetMask(const std::string& mask);

  int ItemCount() const { return static_cast<int>(Items_.size()); }
  // The entry at `index`, or nullptr outside 0 to ItemCount() - 1.
  TFilterItem* Items(int index) const;
  // Appends an empty entry (the drop-down is not touched) and returns it.
  TFilterItem* AddItem();
  // Removes and destroys the entry at `index` (the drop-down is not
  // touched); an index outside the entries is ignored.
  void DeleteItem(int index);

  const std::string& Mask() const { return Mask_; }
  int FilterIndex() const { return FilterIndex_; }
  // SetFilterIndex calls counted, held at 2.
  int ChangeCount() const { return ChangeCount_; }
  // The combo box control, or nullptr once it has been destroyed.
  TWindowObject* ComboBox() const { return ComboBox_.Get(); }

  TComponentEvent<TFilterComboBox> OnChange;
  // The filter string ParseFilter reads.
  std::string Filter;

 private:
  friend TFilterComboBox* CreateFilterComboBox(TWindowObject* owner);
  explicit TFilterComboBox(TWindowObject* comboBox);
  void UserChoice();

  int FilterIndex_ = 0;
  browser_detail::TControlLink ComboBox_;
  std::vector<std::unique_ptr<TFilterItem>> Items_;
  std::string Mask_;
  int ChangeCount_ = 0;
};

// Creates the drop-down as a child of `owner` and the component that owns
// it; the owner releases the component with itself. The drop-down is
// announced to screen readers as kFilterComboAccessibleName.
TFilterComboBox* CreateFilterComboBox(TWindowObject* owner);
inline constexpr const char* kFilterComboAccessibleName = "Типы файлов";

}  // namespace kelvane
