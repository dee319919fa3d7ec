// The platform-neutral editor surface: the ordered list of controls, the back buffer they draw
// into, dirty tracking and the draw cycle, and the bridge between controls and the plug in both
// directions. A view layer derives from it, fills in the platform slots and drives it from a
// repeating timer: each tick asks IsDirty for the area to repaint, the paint calls Draw.
// Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "graphics/gui_types.h"
#include "graphics/icontrol.h"
#include "graphics/iframe_bitmap.h"
#include "plugin/imodule_base.h"
#include "plugin/imodule_gui.h"
#include "plugin/utl_heapbuf.h"
#include "plugin/utl_mutex.h"

class IParam;
class IPopupMenu;
class IModuleGUIResize;

class IGraphics : public IModuleGUI {
 public:
  static constexpr int kDefaultFPS = 120;

  // fps 0 or less gives the default.
  IGraphics(IModuleBase* plug, int width, int height, int fps = 0);
  // Deletes the key catcher, every control (last first) and both bitmaps.
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Platform slots, filled in by the view layer.
  virtual bool DrawScreen(const IRECT* r) = 0;
  // DrawText in measuring mode: rewrites r to the text's box (see DrawText).
  virtual bool MeasureText(IText* text, const char* str, IRECT* r);
  // How many runs of columns the text marks by more than half its colour: each glyph one run
  // where they stand apart. 0 when nothing is drawn. inkLeft and inkRight: the first column it
  // marks visibly and the one after the last, from where the text starts.
  int GlyphRuns(IText* text, const char* str, int* inkLeft = nullptr, int* inkRight = nullptr);
  virtual void EndUserInput() = 0;
  // Stores the size, recreates both bitmaps, then lets the plug fit its window.
  virtual void Resize(int w, int h);
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual const char* GetGUIAPI() { return ""; }
  // type 0 OK, 1 OK/Cancel, 4 Yes/No, kSaveDiscardCancel -> 1 OK, Yes or Save, 2 Cancel, 7 No
  // or Discard; a box closed without a button answers 2 (OK/Cancel, Save/Discard/Cancel), 7
  // (Yes/No) or 1 (OK). Only the main thread waits for the user;
  // the editor posts the boxes its other threads ask for.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  static constexpr int kSaveDiscardCancel = 6;
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) = 0;
  virtual void CreateTextEntry(IControl* control, IParam* param, IText* text, IRECT* area,
                               const char* str) = 0;
  virtual void HostPath(UTL_String* path) = 0;
  virtual void PluginPath(UTL_String* path) = 0;
  virtual void DesktopPath(UTL_String* path) = 0;
  virtual void UserDocumentsPath(UTL_String* path) = 0;
  virtual void AppSupportPath(UTL_String* path, bool system) = 0;
  virtual void MusicPath(UTL_String* path) = 0;
  virtual void PromptForFile(UTL_String* file, int action, UTL_String* dir,
                             const char* extensions) = 0;
  virtual bool PromptForColor() = 0;
  virtual bool OpenURL(const char* url) = 0;
  virtual void* OpenWindow(void* parentView) = 0;
  virtual void* OpenWindowAlt() { return nullptr; }
  virtual void AttachSubWindow() {}
  virtual void RemoveSubWindow() {}
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool GetTextFromClipboard(UTL_String* text) = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  virtual void UpdateTooltips() = 0;
  virtual RAST_IBitmap* OSLoadBitmap(int id, const char* name) = 0;
  // The PNG file OSLoadBitmap reads for the image, or "" when images do not come from files:
  // with a file, scaled images read only its header when loaded and decode on first use.
  virtual std::string OSBitmapFile(int id, const char* name) { return {}; }
  // Asks the user for a new value of the control's parameter: a menu of its display texts, or
  // a text field whose answer comes back through SetFromStringAfterPrompt.
  virtual void PromptUserInput(IControl* control, IParam* param, IRECT* where);
  // Applies typed text: the display text's value for bool and enum parameters (0 when none
  // matches), else the number read in the "C" locale (0 when it is none).
  void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text);

  // Input from the view, in GUI coordinates. The topmost hit is the last visible, not greyed
  // out control whose target contains the point; a press captures it until the release.
  void OnMouseDown(int x, int y, IMouseMod* mod);
  void OnMouseUp(int x, int y, IMouseMod* mod);
  void OnMouseDrag(int x, int y, IMouseMod* mod);
  // Instead of OnMouseDown for a second click; true when handled as a press.
  bool OnMouseDblClick(int x, int y, IMouseMod* mod);
  void OnMouseWheel(int x, int y, IMouseMod* mod, int delta);
  // Returns the handle-mouse-over flag.
  bool OnMouseOver(int x, int y, IMouseMod* mod);
  void OnMouseOut();
  // key: 0 space, 1..4 up, down, left, right, 5..14 digits, 15..40 letters. True when handled.
  bool OnKeyDown(int x, int y, int key);
  void ReleaseMouseCapture();
  // The captured control, else the topmost hit (mouseOver also takes greyed controls that ask
  // for mouse-over); -1 when none.
  int GetMouseControlIdx(int x, int y, bool mouseOver = false);
  int GetLiveEditControlIdx(int x, int y);
  // Parameter of the control at the point (also stored as the last clicked one); -1 for none
  // or the background.
  int GetParamIdxForPoint(int x, int y);
  int TakeLastClickedParam();

  // Drawing into the back buffer, from IControl::Draw. Everything is clipped to the current
  // draw rectangle (nothing is drawn while it is empty) and to the buffer. A null colour or
  // bitmap draws nothing. A null blend means opaque, weighted by the source's alpha. All return
  // true unless said otherwise.
  bool DrawBitmap(IFrameBitmap* bitmap, IRECT* dest, int srcX = 0, int srcY = 0,
                  const IChannelBlend* blend = nullptr);
  // frame counts from 1; it is limited to 1 .. N.
  bool DrawBitmapFrame(IFrameBitmap* bitmap, IRECT* dest, int frame,
                       const IChannelBlend* blend = nullptr);
  // The whole bitmap centred on (cx, cy) turned by angle radians about its centre moved down by
  // yOffsetZeroDeg.
  bool DrawRotatedBitmap(IFrameBitmap* bitmap, int cx, int cy, double angle, int yOffsetZeroDeg = 0,
                         const IChannelBlend* blend = nullptr);
  // A knob from three images of one size: base colours, a mask turned by angle degrees that
  // gives the alpha, and a top image turned with it; drawn at (x, y).
  bool DrawRotatedMask(IFrameBitmap* base, IFrameBitmap* mask, IFrameBitmap* top, int x, int y,
                       double angle, const IChannelBlend* blend = nullptr);
  bool DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend = nullptr,
                 bool aa = false);
  // Stores the colour without blending; a point outside the back buffer or the draw rectangle
  // does nothing.
  bool ForcePixel(const IColor* color, int x, int y);
  IColor GetPoint(int x, int y);
  RAST_pixel* GetBits();
  bool DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                const IChannelBlend* blend = nullptr, bool aa = false);
  bool DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* blend = nullptr, bool aa = false);
  bool DrawCircle(const IColor* color, float cx, float cy, float r,
                  const IChannelBlend* blend = nullptr, bool aa = false);
  bool DrawRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend, int cornerRadius,
                     bool aa);
  bool FillRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend, int cornerRadius,
                     bool aa);
  bool FillIRect(const IColor* color, IRECT* rect, const IChannelBlend* blend = nullptr);
  bool FillCircle(const IColor* color, int cx, int cy, float r,
                  const IChannelBlend* blend = nullptr, bool aa = false);
  bool FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                    const IChannelBlend* blend = nullptr);
  bool FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints,
                          const IChannelBlend* blend = nullptr);
  // The area between the cubic curve through the four points and row baseY.
  bool FillCBezier(const IColor* color, float x0, float y0, float x1, float y1, float x2, float y2,
                   float x3, float y3, int baseY, const IChannelBlend* blend = nullptr,
                   float segmentLength = 0.0f);
  // Outline through columns L and R and rows T and B.
  bool DrawIRect(const IColor* color, IRECT* rect);
  bool DrawVerticalLine(const IColor* color, int x, int yLo, int yHi);
  bool DrawHorizontalLine(const IColor* color, int y, int xLo, int xHi);
  // x (or y) 0..1 across the rectangle; y counts from the bottom.
  bool DrawVerticalLineInRect(const IColor* color, IRECT* rect, float x);
  bool DrawHorizontalLineInRect(const IColor* color, IRECT* rect, float y);
  // Angle 0 points up, positive angles turn clockwise.
  bool DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                      const IChannelBlend* blend = nullptr, bool aa = false);
  bool DrawBlurredBitmap(IFrameBitmap* bitmap, int x, int y, IRECT* source);
  // Draws the text in its style into r (clipped to the draw rectangle only), or with measure
  // rewrites r to the text's box: the width kept at the aligned side, r.B := r.T + height.
  // Empty text does nothing and succeeds; false when no font can be made.
  bool DrawText(IText* text, const char* str, IRECT* r, bool measure = false);

  // Images. Every load appends a new record (records live until exit); records of one id share
  // one bitmap. A missing image gives a transparent placeholder and a logged name.
  IFrameBitmap* LoadBitmapResource(int id, const char* name, int frames = 1,
                                   bool horizontal = false);
  // Copies owned by the bitmap cache.
  IFrameBitmap ScaleBitmap(IFrameBitmap* src, int w, int h);
  IFrameBitmap CropBitmap(IFrameBitmap* src, IRECT* r);
  void RetainBitmap(IFrameBitmap* bitmap);
  void ReleaseBitmap(IFrameBitmap* bitmap);
  // Re-renders every loaded image from its file for GUI scale `scale`, in place: every record
  // and control sees the new size. Frames are resampled one by one.
  void RescaleCachedBitmaps(double scale);
  // Whether any loaded image waits to be decoded on first use.
  static bool ImagesPending();
  // Runs `pass` (control drawing) into a scratch buffer only to learn which waiting images it
  // draws, then decodes those side by side on a few threads; the next real drawing finds them
  // ready. Main thread.
  void DecodeImagesDrawnBy(const std::function<void()>& pass);
  // The same pass, but the images decode on their own threads while the caller goes on; false
  // when the pass drew no waiting image. Whatever touches the images next (drawing, loading,
  // rescaling) waits for them first through FinishDecodingImages.
  bool StartDecodingImagesDrawnBy(const std::function<void()>& pass);
  static void FinishDecodingImages();
  // Starts decoding the waiting images the shown controls draw, so that they are ready when
  // the first frame is due (the window's set-up goes on meanwhile). Nothing while a decoding
  // runs. Main thread.
  void DecodeShownImagesAhead();
  // Starts decoding these image files whole on a few threads, largest first, before any graphics
  // exist (at the program's start): an image later loaded from one of them takes its pixels, or
  // reads the file itself when no thread has begun it yet.
  static void DecodeImageFilesEarly(const std::vector<std::string>& paths);
  // Forgets the early decodings no image took (their pixels go once their threads end; those
  // not begun are not decoded).
  static void DropEarlyImages();
  // Empties the process-wide bitmap, image and font caches (tests); refused (false) while any
  // graphics object exists.
  static bool ResetCaches();

  // IModuleGUI: what the plug calls.
  void SetControlsFromPlugValue(int paramIdx, bool normalized, double value) override;
  void CreateDrawBitmaps() override;
  void AttachControl(IControl* control) override;  // takes ownership
  template <class T>
  T* AttachControl(std::unique_ptr<T> control) {
    T* observer = control.get();
    AttachControl(static_cast<IControl*>(control.release()));
    return observer;
  }
  // Puts a background at index 0: a panel of one colour over the whole window, or the image
  // (one frame) as a bitmap control at its own size.
  void AttachPanelBackground(const IColor* color);
  void AttachBackground(int id, const char* name);
  void AttachResizeHandles(IModuleGUIResize* resize) override;
  void ResizeAtGuiOpen(IModuleGUIResize* resize) override;
  void RecordAttachLayout(LiveEditState* state) override;
  int GetWidth() const override { return mWidth; }
  int GetHeight() const override { return mHeight; }

  // Control list. Every change renumbers the controls' list indices. Index 0 (the background)
  // and the resize handles at the end are never moved, swapped or replaced.
  void RemoveControl(int idx);                      // the control is not deleted
  void ReplaceControl(int idx, IControl* control);  // the old control is not deleted
  void MoveControl(int from, int to);
  void SwapControls(int a, int b);
  int GetControlIdx(const IControl* control) const;
  // Null outside the list.
  IControl* GetControl(int idx) const {
    return idx >= 0 && idx < NControls() ? mControls[static_cast<std::size_t>(idx)].get() : nullptr;
  }
  int NControls() const { return static_cast<int>(mControls.size()); }
  // The graphics owns the key catcher; a replaced one is deleted.
  void SetKeyCatcher(IControl* control);
  IControl* GetKeyCatcher() const { return mKeyCatcher.get(); }

  // Every control bound to the parameter, in list order.
  void HideControlsOfParam(int paramIdx, bool hide);
  void GrayOutControlsOfParam(int paramIdx, bool gray);
  void MoveControlsOfParam(int paramIdx, int x, int y);
  void SetControlsValue(int paramIdx, double normalizedValue);  // as if the user set it: pushed
  void SetControlClampRange(int paramIdx, bool normalized, double lo, double hi);
  bool IsControlOfParamHidden(int paramIdx) const;  // the last bound control decides

  // One control by index; out-of-range indices do nothing.
  void HideControl(int idx, bool hide);
  void GrayOutControl(int idx, bool gray);
  void MoveControlTo(int idx, int x, int y);
  void SetControlFromPlug(int idx, double normalizedValue);

  void SetAllControlsDirty();
  void SetStrictDrawing(bool strict);
  void SetTooltipsFromParamNames();
  void CallReservedHookOnAllControls();

  // Timer side: unites the draw rectangles of dirty controls into *r (pass it all zero) and
  // returns true when any control is dirty; on every second consecutive clean tick instead
  // calls the plug's OnTick.
  bool IsDirty(IRECT* r);
  // A tick of IsDirty that needs nothing done: nothing changed since all controls were clean,
  // none turned dirty on its own, and no OnTick due or the plug has no idle work. Counts the
  // tick as IsDirty would; false (counting nothing, keeping what it found for IsDirty)
  // otherwise.
  bool IsQuietTick();
  // A tick known to have something to draw, counted as IsDirty counts one.
  void ResetIdleTicks() { mIdleTicks = 0; }
  // The scan of IsDirty alone (no idle counting): whether any control is dirty, with r
  // widened to cover them.
  bool DirtyArea(IRECT* r);
  // A control of this graphics counted a change (main thread).
  void NoteChangedControl(IControl* c) {
    if (!OnGuiThread()) return;  // uncounted: the next look covers every control
    mNoted.push_back({c, c->GetListIdx()});
    ++mNotedChanges;
    mStaticLayer.changed.note(c);
    mCleanLog.note(c);
  }
  // Paint side: lets the controls in the affected area draw into the back buffer, cleans them,
  // then shows the buffer. Returns DrawScreen's result (true when there is nothing to draw).
  bool Draw(IRECT* r);

  IModuleBase* GetPlug() const { return mPlug; }
  const IRECT& GetDrawRect() const { return mDrawRect; }
  RAST_IBitmap* GetDrawBitmap() const { return mDrawBitmap.get(); }
  RAST_IBitmap* GetTmpBitmap() const { return mTmpBitmap.get(); }
  int FPS() const { return mFPS; }
  int IdleTicks() const { return mIdleTicks; }
  bool GetStrictDrawing() const { return mStrictDrawing; }
  bool GetHandleMouseOver() const { return mHandleMouseOver; }
  void SetHandleMouseOver(bool on) { mHandleMouseOver = on; }
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void EnableTooltips(bool on) { mEnableTooltips = on; }
  unsigned GetBitmapScale() const { return mBitmapScale; }
  void SetBitmapScale(unsigned scale) { mBitmapScale = scale ? scale : 1; }
  double GetGuiScale() const { return mGuiScale; }
  void SetGuiScale(double scale) { mGuiScale = scale; }
  bool LiveEditEnabled() const { return mLiveEdit; }
  // The layout editor: off unless a developer switches it on (see LiveEditSettingsFromEnvironment).
  void EnableLiveEdit(bool on, int gridSize = 1, int snapDistance = 0);
  bool LiveEditOverlayOn() const { return mLiveEditSwallow; }
  int GetMouseCapture() const { return mMouseCapture; }
  int GetMouseOver() const { return mMouseOver; }
  int GetMouseX() const { return mMouseX; }
  int GetMouseY() const { return mMouseY; }
  const IMouseMod& GetMouseMod() const { return mMouseMod; }
  int GetLastClickedParam() const { return mLastClickedParam; }
  UTL_Mutex& Mutex() { return mMutex; }
  // The thread that built the graphics, the main thread: the only one that may change controls,
  // texts or redraws (debug builds assert it).
  bool OnGuiThread() const { return std::this_thread::get_id() == mGuiThread; }

 protected:
  // Controls the list operations may move: 1 .. count - 1 - (resize handles).
  int ResizeHandleCount() const;
  void RenumberControls();
  void InsertControl(int idx, IControl* control);  // takes ownership; renumbers
  int TopmostHit(int x, int y, bool mouseOver) const;
  bool Swallowed() const { return mLiveEdit && mLiveEditSwallow; }

  // The controls of each parameter (aux -1: bound to it; else that auxiliary parameter of the
  // control), in list order, made when first needed after controls were attached or rebound,
  // so that updating one parameter does not walk every control.
  struct ParamBinding {
    IControl* control;
    int aux;
  };
  const std::vector<ParamBinding>* ControlsOfParam(int paramIdx);
  std::vector<std::vector<ParamBinding>> mControlsByParam;
  bool mControlsIndexed = false;
  std::vector<IControl*> mOwnDirtyControls;  // of mControls, those with HasOwnDirtyState
  unsigned mCleanAtGeneration = ~0u;         // gRedrawGeneration when all were last clean
  // The controls that changed (or were dirty) since gRedrawGeneration was mNotedBase, with
  // their list index then: while every change since is one of them (mNotedChanges), the other
  // controls are still clean and a look at these is enough.
  struct Noted {
    IControl* control;
    int index;
  };
  std::vector<Noted> mNoted;
  // The controls that changed since one redraw (or look), for the next: while every change
  // since is one of them and the list stands, the others are as they were then.
  struct ChangeLog {
    static constexpr std::size_t kMost = 4096;  // beyond (no redraw for long): uncounted
    std::vector<Noted> noted;
    unsigned base = 0, count = 0, list = ~0u;
    void note(IControl* c) {
      if (noted.size() >= kMost) return;
      noted.push_back({c, c->GetListIdx()});
      ++count;
    }
    // Moves the controls noted so far to out (emptied first) and starts again; false when
    // something else changed meanwhile too, or the list (at generation listNow) did.
    bool take(std::vector<Noted>& out, unsigned listNow);
  };
  ChangeLog mCleanLog;
  std::vector<Noted> mCleaning;
  IRECT mQuietTickArea;  // found dirty by IsQuietTick, for the next IsDirty
  bool mQuietTickFound = false;
  unsigned mNotedBase = ~0u;
  unsigned mNotedChanges = 0;
  // Whether this control (changed, or dirty) is marked as dirty, with r widened to it.
  bool LookAt(IControl* c, IRECT& area);
  bool NotedAreCurrent() const;
  // After a redraw of every control in the area: SetClean on each that may need it.
  void CleanDrawn();
  unsigned mListGeneration = 0;  // moves on whenever the control list changes
  unsigned mIndexedGeneration = 0;
  int mIndexedCount = 0;

  UTL_Mutex mMutex;
  std::vector<std::unique_ptr<IControl>> mControls;  // drawing order; index 0 is the background
  IModuleBase* mPlug = nullptr;
  IRECT mDrawRect;
  // The images of the shown controls were found by DecodeShownImagesAhead; the next frame
  // need not look for them again.
  bool mShownImagesAhead = false;
  bool mCursorHidden = false;
  int mHiddenCursorX = -1;
  int mHiddenCursorY = 0;
  std::unique_ptr<RAST_SysBitmap> mDrawBitmap;
  // Every control that draws the same until it is marked dirty, drawn once into a buffer of its
  // own: a redraw copies its area from there and draws only the controls kept out of it (those
  // that changed since, those asked on every idle call, and those above them that overlap
  // them). Controls wholly under an opaque image are not drawn at all. An area of the buffer is
  // drawn again when a control in it is shown, hidden or moved; all of it when the images or
  // the window size change.
  struct StaticLayer {
    enum Role : unsigned char { kInLayer, kOnTop, kCovered };
    std::unique_ptr<RAST_SysBitmap> pixels;
    // What a control's image was when its pixels were last looked at.
    struct SolidCheck {
      const RAST_pixel* bits = nullptr;
      int frame = 0, w = 0, h = 0;
      unsigned bitmaps = 0;
      bool operator==(const SolidCheck&) const = default;
    };
    struct Held {
      IControl* control;
      unsigned dirtyCount;  // when drawn
      unsigned shapeCount;
      IRECT rect;
      bool hidden;
      bool changed;  // marked dirty while held: it changes while the user works
      bool solid;    // hides what lies beneath it
      Role role;
      SolidCheck solidChecked = {};
      bool solidAnswer = false;
    };
    std::vector<Held> held;
    std::vector<IRECT> stale;  // areas of the buffer to draw again
    std::vector<int> onTop;    // indices of the controls drawn over it, in drawing order
    ChangeLog changed;         // since the last look
    std::vector<Noted> looking;
    bool firstFrameDrawn = false;  // the first frame goes straight to the buffer, without it
    unsigned bitmaps = 0;
    unsigned shapes = 0;  // IControl::ShapeGeneration when last compared
    unsigned list = ~0u;  // mListGeneration when held was made
    bool valid = false;
  };
  StaticLayer mStaticLayer;
  // Works out each control's role; the areas whose contents change go to the stale list.
  void PlanStaticLayer();
  void DrawStaticLayer(const IRECT& area);
  bool DrawsSolid(StaticLayer::Held& h);
  // True when the layer stands for every control whose role is not kOnTop in the area.
  bool UseStaticLayer(const IRECT& area);
  std::unique_ptr<RAST_MemBitmap> mTmpBitmap;
  int mWidth = 0;
  int mHeight = 0;
  int mFPS = kDefaultFPS;
  int mReserved1 = 0;
  int mIdleTicks = 0;
  int mMouseCapture = -1;
  int mMouseOver = -1;
  int mMouseX = 0;
  int mMouseY = 0;
  int mLastClickedParam = -1;
  bool mHandleMouseOver = false;
  bool mStrictDrawing = true;
  bool mEnableTooltips = false;
  bool mReserved2 = false;
  std::unique_ptr<IControl> mKeyCatcher;
  unsigned mBitmapScale = 1;
  double mGuiScale = 1.0;
  int mReserved3 = 0;
  int mLiveEditRectMode = 0;
  bool mLiveEdit = false;
  IMouseMod mMouseMod;
  int mLiveEditGridSize = 1;
  int mLiveEditSnap = 0;
  int mLastKey = -1;
  bool mLiveEditSwallow = false;
  int mLiveEditControl = -1;
  bool mDragging = false;
  int mRequestedWidth = 0;
  int mRequestedHeight = 0;
  std::thread::id mGuiThread = std::this_thread::get_id();
};

// The plug's GUI as the graphics layer sees it; null when none is attached.
inline IGraphics* GetGraphicsOf(const IModuleBase* plug) {
  return plug ? dynamic_cast<IGraphics*>(plug->GetGUI()) : nullptr;
}
