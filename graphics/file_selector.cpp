// The file selector button.
#include "graphics/file_selector.h"

#include <cstring>

#include "graphics/igraphics.h"

IFileSelectorControl::IFileSelectorControl(IModuleBase* plug, const IRECT& rect, int paramIdx,
                                           IFrameBitmap* image, int action, const char* folder,
                                           const char* extensions)
    : IControl(plug, rect, paramIdx, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)),
      mAction(action),
      mImage(image) {
  mOwnDirtyState = true;
  mDir.Set(folder ? folder : "");
  mExtensions.Set(extensions ? extensions : "");
}

void IFileSelectorControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  RunPanel();
}

void IFileSelectorControl::RunPanel(const std::function<void()>& chosen) {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return;
  mState = kPanelOpen;
  SetDirty(false);
  graphics->PromptForFile(&mFile, mAction, &mDir, mExtensions.Get());
  mState = kChosen;
  // A cancelled panel leaves no file: nothing was chosen, so nothing goes to the plug.
  if (mFile.GetLength() == 0) {
    SetDirty(false);
    return;
  }
  if (chosen) chosen();
  mValue += 1.0;
  if (mValue > 1.0) mValue = 0.0;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics) {
  if (mState == kPanelOpen && mImage) {
    IRECT r = mRECT;
    graphics->DrawBitmap(mImage, &r, 0, 0, nullptr);
  }
  return true;
}

bool IFileSelectorControl::IsDirty() {
  if (mDirty) return true;
  if (mState == kChosen) {
    mState = kIdle;
    return true;
  }
  return false;
}

void IFileSelectorControl::GetSelectedFile(UTL_String* out) const {
  const char* file = mFile.Get();
  if (!*file || std::strchr(file, '/') || mDir.GetLength() == 0) {
    out->Set(file);
    return;
  }
  out->Set(mDir.Get());
  out->Append(file);
}

void IFileSelectorControl::SetSelectedFile(const char* path) {
  if (!path) path = "";
  const char* slash = std::strrchr(path, '/');
  if (!slash) {
    mFile.Set(path);
    return;
  }
  mDir.Set(path, static_cast<int>(slash - path) + 1);
  mFile.Set(slash + 1);
}
