// The layout header "LiveEditLayout.h": generated from the layout as it is, written whole, and
// read back for the blocks of layout views not edited in this run.
#include <cxxabi.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <typeinfo>

#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/live_edit.h"
#include "graphics/live_edit_rects.h"
#include "platform/error_output.h"
#include "platform/file_system.h"

namespace {

// Far more than any layout's header; a larger file is not one the program wrote.
constexpr size_t kLayoutHeaderLimit = 4u << 20;

constexpr const char* kPreamble =
    "// Do not edit. All of this is generated automatically \n"
    "// by the live layout editor of the GUI; it is rewritten whenever the layout changes \n"
    "\n"
    "#ifndef _LIVEEDITLAYOUT_\n"
    "#define _LIVEEDITLAYOUT_\n"
    "\n"
    "#include <vector>\n"
    "#include \"IGraphics.h\" \n"
    "#include \"IModuleGUIResize.h\" \n"
    "\n"
    "class LiveEditLayout \n"
    "{ \n"
    "public: \n"
    "\tLiveEditLayout() {} \n"
    " \n"
    "\t~LiveEditLayout() {} \n"
    " \n"
    "\tvoid SetDefaultViewLayout(IGraphics* pGraphics) \n"
    "\t{ \n";

constexpr const char* kDashes68 =
    "--------------------------------------------------------------------";

std::string Rect(const IRECT& r) {
  return "IRECT(" + std::to_string(r.L) + ", " + std::to_string(r.T) + ", " + std::to_string(r.R) +
         ", " + std::to_string(r.B) + ")";
}

std::string BeginMarker(int v) {
  return "\t\t// View Mode: (" + std::to_string(v) + ")";
}
std::string EndMarker(int v) {
  return "\t\t// End (" + std::to_string(v) + ")";
}

int DeletedBelow(const std::vector<int>& deleted, int limit, bool inclusive) {
  int n = 0;
  for (int d : deleted) n += inclusive ? d <= limit : d < limit;
  return n;
}

// The view's block: one entry per attached control not deleted; also stored into the resizer.
std::string ViewBlock(LiveEditContext& ctx, int view, bool unscaled) {
  LiveEditState* s = ctx.s;
  std::string out;
  const double inv = ctx.scale > 0 ? 1.0 / ctx.scale : 1.0;
  auto unscale = [&](const IRECT& r) {
    if (unscaled) return r;
    auto u = [inv](int v) { return static_cast<int>((v + 0.4999) * inv); };
    return IRECT(u(r.L), u(r.T), u(r.R), u(r.B));
  };
  for (int i = 0; i < ctx.NoHandles(); ++i) {
    IControl* c = s->attachControls.Get(i);
    const int pos = ctx.g->GetControlIdx(c);
    const IRECT d = unscale(c->GetRECT()), t = unscale(c->GetTargetRECT());
    if (ctx.resize) ctx.resize->StoreControlLayout(view, i, pos, d, t, c->IsHidden());
    if (IsControlDeleted(ctx, c)) continue;
    const int k = i - DeletedBelow(s->deleted, i, false);
    const int p = pos - DeletedBelow(s->deleted, pos, true);
    out += "        // " + LiveEditTypeName(c) + " " + std::to_string(k) + "\n";
    out += "\t\tpGUIResize->LiveEditSetLayout(" + std::to_string(view) + ", " + std::to_string(k) +
           ", " + std::to_string(p) + ", " + Rect(d) + ", " + Rect(t) +
           (c->IsHidden() ? ", true);\n" : ", false);\n");
  }
  return out;
}

}  // namespace

std::string LiveEditTypeName(const IControl* control) {
  if (!control) return "class ?";
  const char* mangled = typeid(*control).name();
  int status = 0;
  char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = "class ";
  name += status == 0 && plain ? plain : mangled;
  std::free(plain);
  return name;
}

std::string LayoutHeaderText(LiveEditContext& ctx, int view, bool unscaled) {
  LiveEditState* s = ctx.s;
  if (ctx.resize && view >= 0 && view < static_cast<int>(s->viewBlocks.size()))
    s->viewBlocks[static_cast<size_t>(view)] = ViewBlock(ctx, view, unscaled);

  std::string out = kPreamble;
  if (!ctx.resize) {
    out +=
        "\t    // Backup original control pointers\n"
        "\t\tfor (int i = 0; i < pGraphics->GetNControls(); i++) \n"
        "\t\t\toriginalPointers.push_back(pGraphics->GetControl(i));\n\n";
    out += std::string("\t    // ") + kDashes68 + "\n\n";
    const int n = s->AttachedCount();
    for (int i = 1; i < n; ++i) {
      const IControl* c = s->attachControls.Get(i);
      const std::string idx = std::to_string(i);
      out += "        // " + LiveEditTypeName(c) + " " + idx + "\n";
      out += "\t\tpGraphics->GetControl(" + idx + ")->Hide(" + (c->IsHidden() ? "true" : "false") +
             "); \n";
      out += "\t\tpGraphics->GetControl(" + idx + ")->SetDrawRECT(" + Rect(c->GetRECT()) + "); \n";
      out += "\t\tpGraphics->GetControl(" + idx + ")->SetTargetRECT(" + Rect(c->GetTargetRECT()) +
             "); \n\n";
    }
    out += std::string("\t    // ") + kDashes68 + "\n\n\t    // Reordering control layers\n";
    for (int i = 0; i < n; ++i)
      out += "\t\tpGraphics->ReplaceControl(" +
             std::to_string(ctx.g->GetControlIdx(s->attachControls.Get(i))) +
             ", originalPointers[" + std::to_string(i) + "]); \n";
  }
  out +=
      "\t}\n\n\tvoid SetGUIResizeLayout(IGraphics* pGraphics, IModuleGUIResize* pGUIResize)\n\t{\n";
  if (ctx.resize) {
    for (size_t v = 0; v < s->viewBlocks.size(); ++v) {
      out += "\n";
      out += BeginMarker(static_cast<int>(v)) + " " + std::string(96, '-') + "\n";
      out += s->viewBlocks[v];
      out += EndMarker(static_cast<int>(v)) + " " + std::string(103, '-') + "\n\n";
    }
  }
  out += "    }\n\nprivate:\n\tstd::vector <IControl*> originalPointers;\n};\n #endif";
  return out;
}

void GenerateLayoutHeader(LiveEditContext& ctx, int view, bool unscaled) {
  WriteLayoutHeader(ctx.s, LayoutHeaderText(ctx, view, unscaled));
}

bool WriteLayoutHeader(LiveEditState* state, const std::string& text) {
  if (!state) return false;
  if (state->headerTextKnown && state->headerText == text) return true;
  const std::string& path = state->headerPath;
  if (!vq::platform::WriteFileWhole(path, text)) {
    vq::platform::errorLine("VQEditor4: the layout header \"%s\" could not be written: %s\n",
                            path.c_str(), std::strerror(errno));
    return false;
  }
  // Remembered only once on disk, so a failed write is tried again with the next change.
  state->headerText = text;
  state->headerTextKnown = true;
  return true;
}

void ReadLayoutHeader(LiveEditState* state) {
  if (!state) return;
  // A regular file of a sane size only: a FIFO or a device there must not hold the program.
  std::string raw;
  if (!vq::platform::ReadRegularFile(state->headerPath, kLayoutHeaderLimit, raw)) return;
  state->headerText = std::move(raw);
  state->headerTextKnown = true;
  std::string text;
  std::istringstream lines(state->headerText);
  for (std::string line; std::getline(lines, line);) text += line + "\n";
  for (int v = 0; v < state->viewCount && v < static_cast<int>(state->viewBlocks.size()); ++v) {
    const size_t p1 = text.find(BeginMarker(v));
    const size_t p3 = text.find(EndMarker(v));
    if (p1 == std::string::npos || p3 == std::string::npos || p3 < p1) continue;
    const size_t p2 = text.find("        // class", p1);
    // An entry past the end marker belongs to a later view: this view's block was empty.
    state->viewBlocks[static_cast<size_t>(v)] =
        p2 != std::string::npos && p2 < p3 ? text.substr(p2, p3 - p2) : "";
  }
}
