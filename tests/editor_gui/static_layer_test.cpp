// Frames drawn with the static layer (the background and panels kept from the last redraw)
// must equal the same controls drawn one after the other over the area, in every skin and
// scale: after a whole redraw, knob turns, a change of page, the page image hidden and shown
// again, and a swap of the skin. A slot filled on the manager page redraws as a whole redraw
// draws it.
#include <gtest/gtest.h>

#include <vector>

#include "pages_test_support.h"
#include "rast/rast_bitmap.h"

using namespace vqtest;

namespace {

std::vector<RAST_pixel> Pixels(IGraphics& g) {
  RAST_BitmapRows rows(g.GetDrawBitmap());
  std::vector<RAST_pixel> out;
  for (int y = 0; y < rows.height; ++y)
    out.insert(out.end(), rows.at(0, y), rows.at(0, y) + rows.width);
  return out;
}

// One redraw cycle; then every shown control drawn again, in order, over the area just drawn
// (the redraw leaves it as the clip): a frame from the layer must not change.
void ExpectSameAsDrawnInOrder(IGraphics& g, int step = 0) {
  IRECT r;
  ASSERT_TRUE(g.IsDirty(&r));
  g.Draw(&r);
  const std::vector<RAST_pixel> layered = Pixels(g);
  for (int i = 0; i < g.NControls(); ++i)
    if (!g.GetControl(i)->IsHidden() && g.GetControl(i)->GetRECT().Overlaps(r))
      g.GetControl(i)->Draw(&g);
  EXPECT_TRUE(Pixels(g) == layered) << "step " << step;
}

// One redraw cycle must leave what a whole redraw draws: no changed control left undrawn.
void ExpectSameAsWholeRedraw(IGraphics& g, int step) {
  IRECT r;
  ASSERT_TRUE(g.IsDirty(&r));
  g.Draw(&r);
  const std::vector<RAST_pixel> cycled = Pixels(g);
  g.SetAllControlsDirty();
  ASSERT_TRUE(g.IsDirty(&r));
  g.Draw(&r);
  EXPECT_TRUE(Pixels(g) == cycled) << "step " << step;
}

// A shown control over the whole window above the background (the manager page's image).
IControl* WholePage(IGraphics& g) {
  for (int i = g.NControls() - 1; i > 0; --i) {
    IControl* c = g.GetControl(i);
    if (!c->IsHidden() && c->GetRECT() == g.GetControl(0)->GetRECT()) return c;
  }
  return nullptr;
}

// The first shown label with a text.
IControl* ShownLabel(IGraphics& g) {
  for (int i = 0; i < g.NControls(); ++i) {
    auto* c = dynamic_cast<EditorTextControl*>(g.GetControl(i));
    if (c && !c->IsHidden() && !c->Text().empty()) return c;
  }
  return nullptr;
}

}  // namespace

TEST_F(PagesTest, StaticLayerFramesEqualPlainDrawing) {
  for (const char* skin : {"space", "solid", "lcd"}) {
    for (double scale : {1.0, 2.0}) {
      SCOPED_TRACE(std::string(skin) + " " + std::to_string(scale));
      VQEditor& e = MakeSkin(skin, scale);
      e.ResizeAtGuiOpen();
      G().SetAllControlsDirty();
      ExpectSameAsDrawnInOrder(G(), 1);
      G().SetAllControlsDirty();  // the layer kept
      ExpectSameAsDrawnInOrder(G(), 2);
      Set(3, 100);
      ExpectSameAsDrawnInOrder(G(), 3);
      Set(3, 20);  // now drawn over the layer
      ExpectSameAsDrawnInOrder(G(), 31);
      // A label shown again in another colour (as the bank browser marks a row).
      IControl* label = ShownLabel(G());
      ASSERT_NE(label, nullptr);
      label->SetTextColor(IColor(255, 250, 40, 40));
      label->Hide(false);
      ExpectSameAsDrawnInOrder(G(), 32);
      e.ShowManagerPage(false);
      G().SetAllControlsDirty();
      ExpectSameAsDrawnInOrder(G(), 4);
      // A slot filled on a page that never showed a bank (as TO BANK fills the slot after the
      // selected one): its tile redraws whole, not only under its name.
      IRECT settled;  // what the last step left drawn first
      if (G().IsDirty(&settled)) G().Draw(&settled);
      Pages().ShowSlotCategory(4, 1);
      Pages().ShowSlotName(4, "Delta");
      ExpectSameAsWholeRedraw(G(), 43);
      // The page image hides the synth page; without it the controls beneath show.
      IControl* page = WholePage(G());
      ASSERT_NE(page, nullptr);
      page->Hide(true);
      ExpectSameAsDrawnInOrder(G(), 41);
      page->Hide(false);
      ExpectSameAsDrawnInOrder(G(), 42);
      e.ShowManagerPage(true);
      ExpectSameAsDrawnInOrder(G(), 5);
      Pages().ShowSkinBackgrounds(std::string(skin) != "space");  // the other skin's images
      ExpectSameAsDrawnInOrder(G(), 6);
      editor.reset();
      IGraphics::ResetCaches();
    }
  }
}
