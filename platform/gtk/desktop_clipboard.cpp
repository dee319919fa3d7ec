// The system clipboard with the program's own types: while we own it, each type is a target of
// its own beside the text targets, served from what was written; otherwise each is asked of
// the owner.
#include <string>
#include <utility>

#include "platform/gtk/desktop_backend.h"

namespace vq::platform {

struct DesktopBackend::ClipboardOffer {
  DesktopBackend* backend;
  std::optional<std::string> text;
  std::vector<std::pair<std::string, std::string>> data;
};

namespace {

GtkClipboard* systemClipboard() {
  return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
}

}  // namespace

void DesktopBackend::writeContents(const std::optional<std::string>& text,
                                   const std::vector<std::pair<std::string, std::string>>& data) {
  Pasteboard::writeContents(text, data);
  if (data.empty()) return;  // text alone: the system clipboard has it already
  auto* offer = new ClipboardOffer{this, text, data};
  GtkTargetList* list = gtk_target_list_new(nullptr, 0);
  if (text) gtk_target_list_add_text_targets(list, 0);
  for (size_t i = 0; i < data.size(); ++i)
    gtk_target_list_add(list, gdk_atom_intern(data[i].first.c_str(), FALSE), 0,
                        static_cast<guint>(i + 1));
  gint n = 0;
  GtkTargetEntry* targets = gtk_target_table_new_from_list(list, &n);
  auto get = [](GtkClipboard*, GtkSelectionData* sel, guint info, gpointer p) {
    auto* o = static_cast<ClipboardOffer*>(p);
    if (info == 0 && o->text) {
      gtk_selection_data_set_text(sel, o->text->c_str(), static_cast<gint>(o->text->size()));
    } else if (info >= 1 && info <= o->data.size()) {
      const std::string& bytes = o->data[info - 1].second;
      gtk_selection_data_set(sel, gtk_selection_data_get_target(sel), 8,
                             reinterpret_cast<const guchar*>(bytes.data()),
                             static_cast<gint>(bytes.size()));
    }
  };
  auto clear = [](GtkClipboard*, gpointer p) {
    auto* o = static_cast<ClipboardOffer*>(p);
    if (o->backend && o->backend->mOffer == o) o->backend->mOffer = nullptr;
    delete o;
  };
  if (gtk_clipboard_set_with_data(systemClipboard(), targets, static_cast<guint>(n), get, clear,
                                  offer)) {
    mOffer = offer;
  } else {
    delete offer;
  }
  gtk_target_table_free(targets, n);
  gtk_target_list_unref(list);
  noteChange();
}

std::optional<std::string> DesktopBackend::data(const std::string& type) const {
  if (type == kPasteboardStringType) return string();
  if (mOffer) {
    for (const auto& [t, bytes] : mOffer->data)
      if (t == type) return bytes;
    return std::nullopt;
  }
  GtkSelectionData* sel =
      gtk_clipboard_wait_for_contents(systemClipboard(), gdk_atom_intern(type.c_str(), FALSE));
  if (!sel) return std::nullopt;
  std::optional<std::string> out;
  gint length = gtk_selection_data_get_length(sel);
  if (length >= 0)
    out = std::string(reinterpret_cast<const char*>(gtk_selection_data_get_data(sel)),
                      static_cast<size_t>(length));
  gtk_selection_data_free(sel);
  return out;
}

std::vector<std::string> DesktopBackend::types() const {
  std::vector<std::string> out;
  if (string()) out.push_back(kPasteboardStringType);
  if (mOffer) {
    for (const auto& [t, bytes] : mOffer->data) out.push_back(t);
    return out;
  }
  GdkAtom* targets = nullptr;
  gint n = 0;
  if (!gtk_clipboard_wait_for_targets(systemClipboard(), &targets, &n)) return out;
  for (gint i = 0; i < n; ++i) {
    gchar* name = gdk_atom_name(targets[i]);
    // Text targets are the string type above; the rest are types of their own.
    std::string t = name ? name : "";
    if (!gtk_targets_include_text(&targets[i], 1) && t != "TARGETS" && t != "TIMESTAMP" &&
        t != "MULTIPLE" && t != "SAVE_TARGETS" && !t.empty())
      out.push_back(t);
    g_free(name);
  }
  g_free(targets);
  return out;
}

}  // namespace vq::platform

namespace vq::platform {
// The clipboard may outlive the backend: what it still offers no longer points back.
void DesktopBackend::forgetClipboardOffer() {
  if (mOffer) mOffer->backend = nullptr;
  mOffer = nullptr;
}
}  // namespace vq::platform
