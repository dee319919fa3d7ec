// The live layout editor: a development tool inside the graphics core that moves, resizes,
// re-stacks, hides and deletes the controls of a running GUI with the mouse and saves the
// layout as a header the plug-in constructor includes. It has no window: IGraphics::Draw hands
// it each frame after the controls drew, and it paints its overlay into the back buffer. It
// reads the mouse and key state the input dispatch leaves in the graphics and keeps its own
// state in the plug's LiveEditState. Main thread only.
#pragma once

#include <string>

#include "graphics/gui_types.h"

class IControl;
class IGraphics;
class IModuleBase;
class IModuleGUIResize;
class LiveEditState;

// Environment switches, read when the graphics is built: VQ_LIVE_EDIT=1 turns the editor on,
// VQ_LIVE_EDIT_GRID and VQ_LIVE_EDIT_SNAP give the grid pitch and the guide snap distance.
struct LiveEditSettings {
  bool enabled = false;
  int gridSize = 1;
  int snapDistance = 0;
};
LiveEditSettings LiveEditSettingsFromEnvironment();

// The graphics' fields the editor reads and changes.
struct LiveEditFields {
  IMouseMod* mod;
  int* rectMode;  // 0 both rects (where equal), 1 draw rect, 2 target rect
  int* gridSize;
  int* snapDistance;
  int* lastKey;
  bool* overlayOn;
  int* picked;  // the control held by the current press, -1 none
  bool* dragged;
};

// One frame's view of everything the editor works on.
struct LiveEditContext {
  LiveEditState* s;
  IModuleBase* plug;
  IGraphics* g;
  IModuleGUIResize* resize;  // null without GUI resize
  LiveEditFields f;
  double scale;
  int mouseX, mouseY, width, height;
  int n;     // controls in the list
  int e;     // editable controls: all but the resize handles
  int grid;  // grid pitch in pixels, at least 1
  int corner;

  IControl* Control(int idx) const;
  // The rect of a control chosen by a rect mode (0 draw rect when equal to the target, else empty).
  IRECT RectOf(int idx, int mode) const;
  IRECT RectOfMode(int idx) const { return RectOf(idx, *f.rectMode); }
  // Attach index of a control, -1 when it was attached after the layout was recorded.
  int AttachIndex(const IControl* c) const;
  bool IsDeleted(int idx) const;  // by list index
  bool GroupExists() const;
  void DropGroup();
  void ClearSelection();
  int NoHandles() const;  // attach-time control count without the resize handles
};

// The per-frame entry; true when the overlay is on (the whole buffer must then be shown).
bool LiveEditFrame(LiveEditState* state, IModuleBase* plug, IGraphics* graphics,
                   const LiveEditFields& fields, double scale, int mouseX, int mouseY, int width,
                   int height);

bool IsControlDeleted(const LiveEditContext& ctx, const IControl* control);
void DragSelectedControl(LiveEditContext& ctx);
void EditControlGroup(LiveEditContext& ctx, bool leftChanged);
// Snaps the moved rect to the nearest edge or centre of another control within the snap
// distance (only with Shift) and draws the guide.
void ApplyAlignmentGuides(LiveEditContext& ctx, IRECT& draw, IRECT& target, bool multi);
void DrawEditGrid(LiveEditContext& ctx);
void DrawDeletedControlsNotice(LiveEditContext& ctx);
void LiveEditContextMenu(LiveEditContext& ctx);

void PushUndoSnapshot(LiveEditContext& ctx);
void StoreCurrentSnapshot(LiveEditContext& ctx);
void DropDuplicateUndoSnapshot(LiveEditContext& ctx);
void UndoLayoutChange(LiveEditContext& ctx);
void RedoLayoutChange(LiveEditContext& ctx);

// The layout header. Generate builds the text for the layout as it is (rebuilding the given
// view's block first) and writes it; with `unscaled` the rects are written as they are.
void GenerateLayoutHeader(LiveEditContext& ctx, int view, bool unscaled);
std::string LayoutHeaderText(LiveEditContext& ctx, int view, bool unscaled);
// Replaces the file as a whole (through a unique temporary file beside it, no link followed),
// and only when the text differs from what it last held; a failure is logged. True when the file
// holds the text afterwards.
bool WriteLayoutHeader(LiveEditState* state, const std::string& text);
// Takes the block of every view found in the file; views without one keep theirs. Only a regular
// file of at most 4 MiB is read (never a FIFO or device, never through a link).
void ReadLayoutHeader(LiveEditState* state);
// "class " and the demangled type name of the control, as the header's entries carry it.
std::string LiveEditTypeName(const IControl* control);
