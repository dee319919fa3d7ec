// Pop-up menu records: insertion rules, flags, checks and prefixes.
#include <gtest/gtest.h>

#include "plugin/ipopup_menu.h"

namespace {

TEST(IPopupMenu, FreshMenu) {
  IPopupMenu m;
  EXPECT_EQ(m.GetPrefix(), 0);
  EXPECT_EQ(m.GetChosenItemIdx(), -1);
  EXPECT_EQ(m.GetNItems(), 0);
  EXPECT_EQ(m.GetItem(0), nullptr);
  EXPECT_STREQ(m.GetItemText(0), "");
}

TEST(IPopupMenu, InsertIndexRules) {
  IPopupMenu m;
  m.AddItem("a");
  m.AddItem("b");
  m.AddItem("c");
  m.InsertItem(new IPopupMenuItem("front"), -5);  // other negative: first
  EXPECT_STREQ(m.GetItemText(0), "front");
  m.AddItem("end", 7);  // above the count: appended
  EXPECT_STREQ(m.GetItemText(4), "end");
  m.AddItem("mid", 2);
  const char* const expected[] = {"front", "a", "mid", "b", "c", "end"};
  ASSERT_EQ(m.GetNItems(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(m.GetItemText(i), expected[i]);
  EXPECT_EQ(m.InsertItem(nullptr), nullptr);
}

TEST(IPopupMenu, ItemKinds) {
  IPopupMenu sub;
  IPopupMenu m;
  IPopupMenuItem* plain =
      m.AddItem("plain", -1, IPopupMenuItem::kDisabled | IPopupMenuItem::kIndented);
  IPopupMenuItem* withSub = m.AddItem("sub", &sub);
  IPopupMenuItem* placed = m.AddItem("placed", 0, &sub);
  IPopupMenuItem* sep = m.AddSeparator(1);
  EXPECT_FALSE(plain->GetEnabled());
  EXPECT_TRUE(plain->GetIndented());
  EXPECT_EQ(plain->GetSubmenu(), nullptr);
  EXPECT_EQ(withSub->GetSubmenu(), &sub);
  EXPECT_EQ(withSub->GetFlags(), 0);
  EXPECT_EQ(m.GetItem(0), placed);
  EXPECT_EQ(m.GetItem(1), sep);
  EXPECT_TRUE(sep->GetIsSeparator());
  EXPECT_STREQ(sep->GetText(), "");
  // The menu deletes its items but not the submenu they show.
}

TEST(IPopupMenu, Checks) {
  IPopupMenu m;
  for (const char* t : {"x", "y", "z"}) m.AddItem(t);
  EXPECT_TRUE(m.CheckItem(0, true));
  EXPECT_TRUE(m.CheckItem(2, true));
  EXPECT_FALSE(m.CheckItem(3, true));
  EXPECT_TRUE(m.IsItemChecked(0));
  EXPECT_FALSE(m.IsItemChecked(1));
  EXPECT_FALSE(m.IsItemChecked(9));
  m.CheckItemAlone(1);
  EXPECT_FALSE(m.IsItemChecked(0));
  EXPECT_TRUE(m.IsItemChecked(1));
  EXPECT_FALSE(m.IsItemChecked(2));
  EXPECT_TRUE(m.CheckItem(1, false));
  EXPECT_FALSE(m.IsItemChecked(1));
}

struct FlagCase {
  int flagNumber;
  int bit;
};

TEST(IPopupMenu, FlagNumbersSelectBits) {
  const FlagCase cases[] = {{1, 1}, {2, 2}, {3, 4}, {4, 8}, {0, 0}, {5, 0}, {-1, 0}};
  for (const FlagCase& c : cases) {
    IPopupMenu m;
    m.AddItem("item");
    m.SetItemFlag(0, c.flagNumber, true);
    EXPECT_EQ(m.GetItem(0)->GetFlags(), c.bit) << c.flagNumber;
    m.SetItemFlag(0, c.flagNumber, false);
    EXPECT_EQ(m.GetItem(0)->GetFlags(), 0) << c.flagNumber;
  }
  IPopupMenu m;
  m.SetItemFlag(3, 1, true);  // no such item: nothing happens
  IPopupMenuItem item("i", IPopupMenuItem::kDisabled);
  item.SetChecked(true);
  EXPECT_EQ(item.GetFlags(), IPopupMenuItem::kDisabled | IPopupMenuItem::kChecked);
  item.SetFlag(false, 1);
  EXPECT_TRUE(item.GetEnabled());
  EXPECT_TRUE(item.GetChecked());
}

TEST(IPopupMenu, PrefixStyles) {
  IPopupMenu m;
  const char* const formats[] = {"", "%1d: ", "%02d: ", "%03d: "};
  for (int style = 0; style <= 3; ++style) {
    m.SetPrefix(style);
    EXPECT_EQ(m.GetPrefix(), style);
    EXPECT_STREQ(m.GetPrefixFormat(), formats[style]);
  }
  m.SetPrefix(2);
  m.SetPrefix(4);
  EXPECT_EQ(m.GetPrefix(), 2);
  m.SetPrefix(-1);
  EXPECT_EQ(m.GetPrefix(), 2);
}

TEST(IPopupMenu, ChosenIndex) {
  IPopupMenu m;
  m.AddItem("a");
  m.SetChosenItemIdx(0);
  EXPECT_EQ(m.GetChosenItemIdx(), 0);
}

}  // namespace
