#include "editor/flexi_pick.h"

bool FlexiPick::BlinkDue(int calls) {
  if (++mBlinkCounter < calls) return false;
  mBlinkCounter = 0;
  return true;
}
