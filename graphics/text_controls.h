// Controls that show text: labels and read-outs the program sets, a caption showing its
// parameter's display text, an editable value, a spinner, user text fields (optionally masked),
// a web link. Text is drawn in the control's style over its rectangle; empty text draws nothing.
#pragma once

#include <string>

#include <cstdint>

#include "graphics/icontrol.h"

// A label or read-out whose text the program sets.
class ITextControl : public IControl {
 public:
  ITextControl(IModuleBase* plug, const IRECT& rect, const IText* text, const char* str = "");
  bool Draw(IGraphics* graphics) override;
  bool DrawsInsideDrawRect() const override { return true; }
  // Rebuilds the style at base size x scale; the cached font is dropped so the cache makes one
  // for the new size.
  void OnRescale(double scale) override;
  // Replaces the text and asks for a redraw only when it differs.
  void SetTextIfChanged(const char* str);
  const char* GetText() const { return mStr.Get(); }
  const IText& GetBaseText() const { return mBaseText; }
  // Off by default. On: the text is drawn in the part of the rectangle the GUI shows, at the
  // largest size up to the style's that fits it (down to half that size), cut with "..." when
  // even that is too wide, and centred upright in a box made for one line.
  void SetFitToRect(bool fit);
  // The fitted style, text and top left the next draw uses (the plain ones when not fitting).
  struct Fitted {
    IText style;
    std::string text;
    IRECT rect;
  };
  const Fitted& FitToRect(IGraphics* graphics);
  // Fitting keeps the text this many GUI units (times the GUI scale, rounded up to whole pixels)
  // off the box's left and right sides, and `y` off its top and bottom: a read-out stays inside
  // the well drawn around it.
  void SetFitInset(double x, double y = 0);
  // Off by default. On (and not fitting): text wider than the rectangle is drawn at its own size
  // cut to the longest start of whole characters that fits with "…" after it.
  void SetCutToWidth(bool cut);
  // The text the next draw shows when cutting (as it is otherwise).
  const std::string& CutToWidth(IGraphics* graphics);

 protected:
  ITextControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
               const char* str);
  // The style at base size x scale, everything else as it is now.
  static IText Rescaled(const IText& current, int baseSize, double scale);
  // Sets *shown to str (null: empty), asking for a redraw first, only when they differ.
  void ReplaceIfChanged(UTL_String* shown, const char* str);

  UTL_String mStr{128};
  IText mBaseText;

 private:
  bool mFit = false;
  bool mFitValid = false;
  std::string mFitFor;
  IRECT mFitIn, mFitLimit;
  int mFitSize = 0;
  double mFitInsetX = 0, mFitInsetY = 0;
  int mFitInsetPx[2] = {0, 0};
  Fitted mFitted;
  bool mCut = false;
  std::string mCutFor, mCutText;  // the text and what shows of it
  int mCutWidth = -1, mCutSize = 0;
};

// Shows a second text in a style of its own size.
class ITextControl2 : public ITextControl {
 public:
  ITextControl2(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                int64_t reserved = 0);
  bool Draw(IGraphics* graphics) override;
  void OnRescale(double scale) override;
  void SetTextIfChanged(const char* str);
  const char* GetText() const { return mStr2.Get(); }

 protected:
  UTL_String mStr2{128};
  IText mBaseText2;
  int64_t mReserved;
};

// A value shown as text; a click opens the value entry over the control.
class IEditableTextControl : public ITextControl {
 public:
  IEditableTextControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                       const char* str = "", bool reserved = false, bool masked = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  // Null means no background.
  void SetBackgroundColor(const IColor* color);
  bool IsMasked() const { return mMasked; }

 protected:
  IRECT mEntryRect;
  IColor mBackground = COLOR_TRANSPARENT;
  bool mReserved;
  bool mMasked;
};

// Shows the bound parameter's display text (and label); a click prompts for a new value.
class ICaptionControl : public ITextControl {
 public:
  ICaptionControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                  bool showLabel = true);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { PromptUserInput(); }
  bool Draw(IGraphics* graphics) override;
  // The parameter's text may change without the control being told.
  bool DrawsInsideDrawRect() const override { return false; }

 protected:
  bool mShowLabel;
};

// A value shown as text and changed by dragging and the wheel. Without a plug parameter
// (negative index) it shows and steps its own parameter.
class ISpinnerControl : public ITextControl {
 public:
  ISpinnerControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                  IParam* ownParam, bool showValue, bool showLabel, int direction = 0,
                  double gearing = 4.0);
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  // One notch moves one step of the parameter (a hundredth of the range for continuous ones).
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  bool Draw(IGraphics* graphics) override;
  bool DrawsInsideDrawRect() const override { return false; }
  using IControl::PromptUserInput;
  // Opens the value entry in the given rectangle.
  void PromptUserInput(const IRECT& where);

 protected:
  IParam* Param() const;

  int mDirection;
  double mGearing;
  bool mShowValue;
  bool mShowLabel;
  IParam* mOwnParam;
};

// Free text the user types (a name, a password when the style asks for secure entry).
class IUserTextControl : public IControl {
 public:
  IUserTextControl(IModuleBase* plug, const IRECT& rect, const IText* text, const char* str = "");
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  void SetTextFromPlug(const char* str) override { SetText(str); }
  void SetText(const char* str);
  // The text with its terminating NUL; emptied when it cannot be sized.
  void GetText(UTL_HeapBuf* out) const;
  const char* GetText() const { return mStr.Get(); }
  bool IsMasked() const { return mMasked; }

 protected:
  UTL_String mStr{128};
  bool mMasked;
};

// Text typed by the user, drawn plainly.
class AlgDisplay : public IControl {
 public:
  AlgDisplay(IModuleBase* plug, const IRECT& rect, const IText* text, const char* str = "");
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  void SetTextFromPlug(const char* str) override;
  const char* GetText() const { return mStr.Get(); }

 protected:
  UTL_String mStr{128};
};

// A click opens a web page, or the fallback address when the first does not open.
class IURLControl : public IControl {
 public:
  IURLControl(IModuleBase* plug, const IRECT& rect, const char* url,
              const char* backupURL = nullptr, const char* errMsgOnFailure = nullptr);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override { return true; }

 protected:
  UTL_String mURL{128};
  UTL_String mBackupURL{128};
  UTL_String mErrMsg{128};
};

// Draws str in style over r, masked as asterisks (at most 99) when asked.
bool DrawControlText(IGraphics* graphics, IText* style, const char* str, const IRECT& r,
                     bool masked = false);
