// The filter drop-down: the filter-string parser, the programmatic calls and
// the user's choice with its two notifications.
#include "browser/FilterComboBox.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include "tests/browser/BrowserFixture.h"
#include "ui/FontObject.h"

namespace kelvane {
namespace {

using test::ItemTexts;

constexpr const char* kMainFilter = "PCX sprites (*.pcx)|*.pcx\r\nBMP images (*.bmp)|*.bmp\r\n";

struct ParsedEntry {
  std::string Line, Description, Mask;
  friend bool operator==(const ParsedEntry&, const ParsedEntry&) = default;
  friend std::ostream& operator<<(std::ostream& os, const ParsedEntry& e) {
    return os << "{" << testing::PrintToString(e.Line) << ", " << testing::PrintToString(e.Description) << ", "
              << testing::PrintToString(e.Mask) << "}";
  }
};

class FilterComboBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    Form_ = test::ShownForm(300, 200);
    Filter_ = CreateFilterComboBox(Form_.get());
  }
  TWindowObject& Combo() { return *Filter_->ComboBox(); }
  std::vector<ParsedEntry> Entries() const {
    std::vector<ParsedEntry> entries;
    for (int i = 0; i < Filter_->ItemCount(); ++i) {
      const TFilterItem* item = Filter_->Items(i);
      entries.push_back({item->Line, item->Description, item->Mask});
    }
    return entries;
  }

  std::unique_ptr<TWindowObject> Form_;
  TFilterComboBox* Filter_ = nullptr;
};

TEST_F(FilterComboBoxTest, ParsesFilterStrings) {
  struct Row {
    const char* name;
    std::string filter;
    std::vector<ParsedEntry> entries;
  };
  const std::vector<Row> rows = {
      {"main window's string; the empty line after the last CR LF is dropped",
       kMainFilter,
       {{"PCX sprites (*.pcx)|*.pcx", "PCX sprites (*.pcx)", "*.pcx"},
        {"BMP images (*.bmp)|*.bmp", "BMP images (*.bmp)", "*.bmp"}}},
      {"no final line break",
       "PCX sprites (*.pcx)|*.pcx\r\nBMP images (*.bmp)|*.bmp",
       {{"PCX sprites (*.pcx)|*.pcx", "PCX sprites (*.pcx)", "*.pcx"},
        {"BMP images (*.bmp)|*.bmp", "BMP images (*.bmp)", "*.bmp"}}},
      {"no bar: all mask", "*.pcx", {{"*.pcx", "", "*.pcx"}}},
      {"several bars split at the first", "a|b|c", {{"a|b|c", "a", "b|c"}}},
      {"bar first", "|*.x", {{"|*.x", "", "*.x"}}},
      {"an empty line inside stays", "a|b\r\n\r\nc|d", {{"a|b", "a", "b"}, {"", "", ""}, {"c|d", "c", "d"}}},
      {"a bare CR swallows the next character", "a|b\rc|d", {{"a|b", "a", "b"}, {"|d", "", "d"}}},
      {"a lone LF belongs to the line", "a|b\nc", {{"a|b\nc", "a", "b\nc"}}},
      {"a CR at the very end", "a|b\r", {{"a|b", "a", "b"}}},
      {"a swallowed Cyrillic letter goes whole", "a|b\rЖ|*.ж", {{"a|b", "a", "b"}, {"|*.ж", "", "*.ж"}}},
      {"UTF-8 descriptions", "Спрайты|*.pcx\r\n", {{"Спрайты|*.pcx", "Спрайты", "*.pcx"}}},
  };
  for (const Row& row : rows) {
    Form_.reset();
    SetUp();
    Filter_->Filter = row.filter;
    Filter_->ParseFilter();
    EXPECT_EQ(Entries(), row.entries) << row.name;
    std::vector<std::string> descriptions;
    for (const ParsedEntry& e : row.entries) descriptions.push_back(e.Description);
    EXPECT_EQ(ItemTexts(Combo()), descriptions) << row.name;
  }
}

TEST_F(FilterComboBoxTest, EmptyFilterParsesToNothing) {
  Filter_->ParseFilter();
  EXPECT_EQ(Filter_->ItemCount(), 0);
  EXPECT_EQ(Combo().ItemCount(), 0);
}

TEST_F(FilterComboBoxTest, SecondParseAddsToTheEntriesItAlreadyHas) {
  Filter_->Filter = "a|1\r\nb|2";
  Filter_->ParseFilter();
  Filter_->Filter = "c|3";
  Filter_->ParseFilter();
  // The second text lands in entry 0 and every entry is shown again.
  EXPECT_EQ(Entries(), (std::vector<ParsedEntry>{{"a|1c|3", "a", "1c|3"}, {"b|2", "b", "2"}}));
  EXPECT_EQ(ItemTexts(Combo()), (std::vector<std::string>{"a", "b", "a", "b"}));
}

TEST_F(FilterComboBoxTest, MainWindowSetupShowsTheFirstLineQuietly) {
  int changes = 0;
  Filter_->SetAlignment(AlignBottom)->Resize(0, 19);
  Filter_->OnChange = [&](TFilterComboBox*) { ++changes; };
  Filter_->SetFilterIndex(0);
  EXPECT_EQ(Combo().SelectedIndex(), -1);  // nothing to select yet
  Filter_->Filter = kMainFilter;
  Filter_->ParseFilter();
  EXPECT_EQ(Combo().SelectedIndex(), 0);
  EXPECT_EQ(Combo().ItemText(0), "PCX sprites (*.pcx)");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Filter_->Mask(), "");
  EXPECT_EQ(Filter_->ChangeCount(), 1);
  EXPECT_EQ(Filter_->FilterIndex(), 0);
  EXPECT_EQ(Combo().Font().Height(), -11);
  EXPECT_EQ(Combo().Bounds().Height(), 19);
}

TEST_F(FilterComboBoxTest, SetFilterIndexRaisesFromTheSecondCallAndKeepsMask) {
  Filter_->Filter = kMainFilter;
  Filter_->ParseFilter();
  int changes = 0;
  Filter_->OnChange = [&](TFilterComboBox* sender) {
    EXPECT_EQ(sender, Filter_);
    ++changes;
  };
  Filter_->SetFilterIndex(1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Combo().SelectedIndex(), 1);
  Filter_->SetFilterIndex(0);
  Filter_->SetFilterIndex(7);  // no such line: nothing shown, still counted
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Filter_->ChangeCount(), 2);
  EXPECT_EQ(Filter_->FilterIndex(), 7);
  EXPECT_EQ(Combo().SelectedIndex(), -1);
  EXPECT_EQ(Filter_->Mask(), "");

  // SetMask raises whatever ChangeCount says.
  Filter_->SetMask("*.txt");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(Filter_->Mask(), "*.txt");
}

TEST_F(FilterComboBoxTest, UsersChoiceRaisesTwiceWithTheNewMask) {
  Filter_->Filter = kMainFilter;
  Filter_->ParseFilter();
  std::vector<std::string> masksSeen;
  Filter_->OnChange = [&](TFilterComboBox* sender) { masksSeen.push_back(sender->Mask()); };

  test::ChooseComboLine(Combo(), 1);
  EXPECT_EQ(Filter_->Mask(), "*.bmp");
  EXPECT_EQ(masksSeen, (std::vector<std::string>{"*.bmp", "*.bmp"}));

  // The keyboard is a user too.
  QTest::keyClick(Combo().Widget(), Qt::Key_Up);
  EXPECT_EQ(Filter_->Mask(), "*.pcx");
  EXPECT_EQ(masksSeen.size(), 4u);
}

TEST_F(FilterComboBoxTest, ChoiceOfALineWithoutEntryDoesNothing) {
  Filter_->Filter = kMainFilter;
  Filter_->ParseFilter();
  Filter_->DeleteItem(1);
  EXPECT_EQ(Filter_->ItemCount(), 1);
  EXPECT_EQ(Combo().ItemCount(), 2);  // the drop-down keeps its line
  int changes = 0;
  Filter_->OnChange = [&](TFilterComboBox*) { ++changes; };
  test::ChooseComboLine(Combo(), 1);
  EXPECT_EQ(Combo().SelectedIndex(), 1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Filter_->Mask(), "");
}

TEST_F(FilterComboBoxTest, ItemsOutsideTheListAreNone) {
  EXPECT_EQ(Filter_->Items(0), nullptr);
  TFilterItem* item = Filter_->AddItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Line, "");
  EXPECT_EQ(Filter_->Items(0), item);
  EXPECT_EQ(Filter_->Items(-1), nullptr);
  EXPECT_EQ(Filter_->Items(1), nullptr);
  EXPECT_EQ(Combo().ItemCount(), 0);  // entries only
  Filter_->DeleteItem(5);
  EXPECT_EQ(Filter_->ItemCount(), 1);
  Filter_->DeleteItem(0);
  EXPECT_EQ(Filter_->ItemCount(), 0);
}

}  // namespace
}  // namespace kelvane
