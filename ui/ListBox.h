// The list box: a column of text lines (QListWidget, rows of 14 pixels) from
// which the user selects.
//
// A TListBoxObject is a TWindowObject of kind ListBox, made by CreateListBox
// (declared in WindowObject.h with the other constructors, so callers holding
// a TWindowObject* keep working; AsListBox gives the typed object). Its items
// are reached through TWindowObject's item operations, which this class
// implements. The user's change of the selection raises OnSelectionChange
// (or OnChange) once, with the new selection already readable; a double-click
// raises OnClick; changes made in code raise nothing.
#pragma once

#include <string>

#include "ui/WindowObject.h"

class QListWidget;

namespace kelvane {

class TListBoxObject final : public TWindowObject {
 public:
  explicit TListBoxObject(TWindowObject* parent);

  int ItemCount() const override;
  std::string ItemText(int index) const override;
  void SetItemText(int index, const std::string& text) override;
  // Only a list with LboMultipleSel selects the first item it gets.
  int AddItem(const std::string& text) override;
  // Single selection: the selected row, or -1; other modes: the current row.
  int SelectedIndex() const override;
  void SetSelectedIndex(int index) override;
  void Clear() override;

  QListWidget* List() const;

 private:
  friend TWindowObject* CreateListBox(TWindowObject*, TListBoxOptions);
  class TQuietChange;
  // The user changed the selection; raises the event once per real change.
  void SelectionChanged();

  // The selected row last reported (or set by the program): Qt reports some
  // selection changes twice, and a focus that makes a row current is none.
  int LastSelection_ = -1;
};

// The list box behind `w`, or nullptr when `w` is something else.
TListBoxObject* AsListBox(TWindowObject* w);

}  // namespace kelvane
