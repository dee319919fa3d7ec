// The plug's side of its GUI. The plug owns its graphics object and calls a handful of its
// operations, but the graphics layer stands on the plug, not the other way round; so the plug
// sees the GUI only through IModuleGUI, which IGraphics implements. The live-edit state lives
// here too because the plug creates and owns it; the layout editor reads and extends it.
#pragma once

#include <string>
#include <vector>

#include "plugin/utl_heapbuf.h"

class IControl;          // a GUI control; the plug only passes pointers through
class IModuleGUIResize;  // GUI scaling object of the graphics layer; the plug only holds it
class LiveEditState;

// What the plug asks of its GUI. Everything runs on the main thread.
class IModuleGUI {
 public:
  virtual ~IModuleGUI() = default;

  // Pushes a parameter value into every control bound to the parameter (plain values are
  // normalised through the plug's parameter first). The controls are not pushed back.
  virtual void SetControlsFromPlugValue(int paramIdx, bool normalized, double value) = 0;
  // Creates the back buffer and the scratch bitmap at the GUI size.
  virtual void CreateDrawBitmaps() = 0;
  // Appends a control; the GUI owns it from then on.
  virtual void AttachControl(IControl* control) = 0;
  // Attaches the resize handles of the GUI-resize object as a control.
  virtual void AttachResizeHandles(IModuleGUIResize* resize) = 0;
  // Lets the GUI-resize object apply the stored scale at GUI open.
  virtual void ResizeAtGuiOpen(IModuleGUIResize* resize) = 0;
  // Appends the attach-time layout of every control, in list order, to the state.
  virtual void RecordAttachLayout(LiveEditState* state) = 0;
  virtual int GetWidth() const = 0;  // GUI pixels
  virtual int GetHeight() const = 0;
};

// Live-edit colour: alpha, red, green, blue (0..255), the GUI's colour layout.
struct LiveEditColor {
  int A, R, G, B;
};

// Rectangle in GUI pixels, left/top inclusive, right/bottom exclusive (the GUI's IRECT layout).
struct LiveEditRect {
  int L, T, R, B;
  bool operator==(const LiveEditRect& o) const {
    return L == o.L && T == o.T && R == o.R && B == o.B;
  }
};

// One undo step of the layout editor: rects and hidden bits by attach index, the control at
// each list position (the stacking order) and the deleted attach indices.
struct LiveEditSnapshot {
  std::vector<LiveEditRect> draw;
  std::vector<LiveEditRect> target;
  std::vector<bool> hidden;
  std::vector<IControl*> order;
  std::vector<int> deleted;
  bool operator==(const LiveEditSnapshot& o) const {
    return draw == o.draw && target == o.target && hidden == o.hidden && order == o.order &&
           deleted == o.deleted;
  }
};

// State of the in-GUI layout editor, owned by the plug: its look, the layout of the controls at
// attach time, the selection, the per-view header blocks and the undo history.
class LiveEditState {
 public:
  const char* fontFace = "Tahoma";
  LiveEditColor bothColor{255, 255, 255, 255};
  LiveEditColor drawColor{255, 50, 255, 50};
  LiveEditColor targetColor{255, 255, 50, 50};
  LiveEditColor groupColor{255, 255, 255, 255};
  LiveEditColor labelBackground{122, 0, 0, 0};
  LiveEditRect groupRect{999999999, 999999999, 0, 0};  // the empty group
  int selectedIdx = -1;
  int gridSize = 1;
  int currentView = 0;
  int viewCount = 1;
  bool newGesture = true;

  // Selection: copies of the selected control's rects, the rects when it was picked, the pick
  // anchor; the group (its members and their rects when grabbed).
  LiveEditRect selDraw{0, 0, 0, 0}, selTarget{0, 0, 0, 0};
  LiveEditRect pickDraw{0, 0, 0, 0}, pickTarget{0, 0, 0, 0};
  LiveEditRect groupGrab{999999999, 999999999, 0, 0};
  int prevPicked = -1;
  int anchorX = 0, anchorY = 0;
  int groupAnchorX = 0, groupAnchorY = 0;
  int marqueeX = 0, marqueeY = 0;
  bool resizing = false;
  std::vector<int> groupIdx;
  std::vector<LiveEditRect> groupDraw, groupTarget;

  std::vector<std::string> viewBlocks;  // per layout view: its block of the header
  std::vector<int> deleted;             // attach indices

  bool headerRead = false;
  bool lastActionUndo = false;
  bool lastActionRedo = false;
  bool showGrid = false;
  bool showMouseCoords = false;
  bool lastL = false, lastR = false;  // to see presses
  int pressX = 0, pressY = 0;
  int cornerSize = 8;
  int snapTo = 0;
  int cursor = 0;        // the cursor id last set, 0 none
  bool inFrame = false;  // a menu or message box of the editor is open

  // Undo per layout view: snapshots, position (-1 when none), and the state after the newest
  // change.
  std::vector<std::vector<LiveEditSnapshot>> undo;
  std::vector<int> undoPos;
  std::vector<LiveEditSnapshot> current;

  // The header file and the text last written to (or read from) it.
  std::string headerPath = "LiveEditLayout.h";
  std::string headerText;
  bool headerTextKnown = false;

  // Attach-time layout, one entry per control in attach order; the attach index is a
  // control's identity through every later reordering.
  UTL_TypedBuf<LiveEditRect> attachDrawRects;
  UTL_TypedBuf<LiveEditRect> attachTargetRects;
  UTL_TypedBuf<bool> attachVisible;
  UTL_PtrList<IControl> attachControls;
  UTL_PtrList<IControl> currentOrder;  // stacking order as the layout editor last saw it

  void AddAttachedControl(const LiveEditRect& draw, const LiveEditRect& target, bool visible,
                          IControl* control) {
    attachDrawRects.Add(draw);
    attachTargetRects.Add(target);
    attachVisible.Add(visible);
    attachControls.Add(control);
    currentOrder.Add(control);
  }
  int AttachedCount() const { return attachControls.GetSize(); }
};
