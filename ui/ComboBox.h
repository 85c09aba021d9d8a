// The combo box: a drop-down list of text items (QComboBox), with an edit
// part unless it is made with CboDropDownList.
//
// A TComboBoxObject is a TWindowObject of kind ComboBox, made by
// CreateComboBox (declared in WindowObject.h with the other constructors, so
// callers holding a TWindowObject* keep working; AsComboBox gives the typed
// object). Its items are reached through TWindowObject's item operations,
// which this class implements. The drop-down is a plain list under the box,
// as wide as the box and at most eight lines high, in the box's font. The
// user's choice raises OnSelectionChange (or OnChange) once, after the
// current item has changed; typing in the edit part raises OnChange; opening
// and closing the list raise OnListOpen and OnListClose; changes made in code
// raise nothing.
#pragma once

#include <string>

#include "ui/WindowObject.h"

class QComboBox;

namespace kelvane {

class TComboBoxObject final : public TWindowObject {
 public:
  TComboBoxObject(TWindowObject* parent, TComboBoxOptions options);

  int ItemCount() const override;
  std::string ItemText(int index) const override;
  // Replaces an item's text; the current item stays unless it was this one.
  void SetItemText(int index, const std::string& text) override;
  // The first item added becomes the current one; with CboSort the items
  // stay sorted and the index is where the new item went.
  int AddItem(const std::string& text) override;
  int SelectedIndex() const override;
  void SetSelectedIndex(int index) override;
  void Clear() override;

  TComboBoxOptions Options() const { return Options_; }
  // Whether the drop-down list is open, and the current item when it opened.
  bool ListOpen() const { return ListOpen_; }
  int IndexAtOpen() const { return IndexAtOpen_; }

  QComboBox* Combo() const;

 private:
  friend TWindowObject* CreateComboBox(TWindowObject*, TComboBoxOptions);
  class TDropDownWidget;

  TComboBoxOptions Options_;
  bool ListOpen_ = false;
  int IndexAtOpen_ = -1;
};

// The combo box behind `w`, or nullptr when `w` is something else.
TComboBoxObject* AsComboBox(TWindowObject* w);

}  // namespace kelvane
