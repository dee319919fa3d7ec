#include "platform/gtk/desktop_controls.h"

#include <algorithm>
#include <cmath>

#include "platform/gtk/desktop_backend.h"
#include "platform/view.h"

namespace vq::platform {

namespace {
DesktopControls* gControls = nullptr;
}

class DesktopNativeControl final : public NativeControl {
 public:
  DesktopNativeControl(DesktopControls& owner, View& view, NativeControlClient& client)
      : owner_(&owner), view_(view), client_(client) {
    state_ = client.nativeState();
    build();
    owner.live_.push_back(this);
    refresh();
  }
  ~DesktopNativeControl() override { detach(); }

  // The backend goes: the widget with it.
  void detach() {
    if (!owner_) return;
    auto& live = owner_->live_;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    updating_ = true;  // nothing the widgets say while going reaches the control
    if (outer_) gtk_widget_destroy(outer_);
    if (spare_) g_object_unref(spare_);
    outer_ = widget_ = spare_ = nullptr;
    owner_ = nullptr;
  }

  void refresh() override {
    if (!owner_ || !outer_) return;
    Window* w = view_.window();
    if (!w) {
      gtk_widget_hide(outer_);
      return;
    }
    DesktopWindows& windows = owner_->backend_.windows;
    GtkWidget* content = windows.contentFor(*w);
    int x = 0, y = 0;
    windows.viewOrigin(view_, x, y);
    int width = std::max(1, static_cast<int>(view_.frame().width));
    int height = std::max(1, static_cast<int>(view_.frame().height));
    if (gtk_widget_get_parent(outer_) != content) {
      if (GtkWidget* old = gtk_widget_get_parent(outer_))
        gtk_container_remove(GTK_CONTAINER(old), outer_);
      gtk_fixed_put(GTK_FIXED(content), outer_, x, y);
    } else if (x != x_ || y != y_) {
      gtk_fixed_move(GTK_FIXED(content), outer_, x, y);
    }
    x_ = x;
    y_ = y;
    gtk_widget_set_size_request(outer_, width, height);
    if (state_.kind == NativeControlKind::Label) wrapIfTallerThanALine(height);
    gtk_widget_set_sensitive(outer_, view_.isEnabled() ? TRUE : FALSE);
    if (view_.isHiddenOrHasHiddenAncestor()) {
      gtk_widget_hide(outer_);
    } else {
      gtk_widget_show_all(outer_);
    }
    NativeControlState s = client_.nativeState();
    if (!(s == shown_) || first_) apply(s);
    first_ = false;
  }

  GtkWidget* widget() const { return widget_; }

  // A one-line box keeps its text on one line, shown whole even where the desktop font is wider
  // than the box (wrapped, its second line would be cut off); taller boxes wrap.
  void wrapIfTallerThanALine(int height) {
    PangoLayout* probe = gtk_widget_create_pango_layout(widget_, "Ag");
    int lineHeight = 0;
    pango_layout_get_pixel_size(probe, nullptr, &lineHeight);
    g_object_unref(probe);
    gtk_label_set_line_wrap(GTK_LABEL(widget_),
                            height >= 2 * std::max(1, lineHeight) ? TRUE : FALSE);
  }
  const View& view() const { return view_; }

 private:
  void build() {
    const std::string& t = state_.text;
    switch (state_.kind) {
      case NativeControlKind::PushButton:
        widget_ = gtk_button_new_with_label(t.c_str());
        g_signal_connect(widget_, "clicked", G_CALLBACK(&onClicked), this);
        break;
      case NativeControlKind::CheckBox:
        widget_ = gtk_check_button_new_with_label(t.c_str());
        g_signal_connect(widget_, "toggled", G_CALLBACK(&onClicked), this);
        break;
      case NativeControlKind::RadioButton:
        // A hidden partner in the group lets the model switch the button off.
        spare_ = g_object_ref_sink(gtk_radio_button_new(nullptr));
        widget_ = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(spare_), t.c_str());
        g_signal_connect(widget_, "toggled", G_CALLBACK(&onClicked), this);
        break;
      case NativeControlKind::Label:
        widget_ = gtk_label_new(t.c_str());
        break;
      case NativeControlKind::GroupBox:
        widget_ = gtk_frame_new(t.c_str());
        break;
      case NativeControlKind::PopUp:
        widget_ = gtk_combo_box_text_new();
        g_signal_connect(widget_, "changed", G_CALLBACK(&onComboChanged), this);
        break;
      case NativeControlKind::ComboBox:
        widget_ = gtk_combo_box_text_new_with_entry();
        g_signal_connect(widget_, "changed", G_CALLBACK(&onComboChanged), this);
        break;
      case NativeControlKind::TextField:
      case NativeControlKind::SecureField:
        widget_ = gtk_entry_new();
        gtk_entry_set_visibility(GTK_ENTRY(widget_), state_.kind == NativeControlKind::TextField);
        gtk_entry_set_activates_default(GTK_ENTRY(widget_), TRUE);
        g_signal_connect(widget_, "changed", G_CALLBACK(&onEntryChanged), this);
        g_signal_connect(widget_, "activate", G_CALLBACK(&onEntryActivate), this);
        g_signal_connect(widget_, "focus-in-event", G_CALLBACK(&onFocusIn), this);
        break;
      case NativeControlKind::TextView: {
        widget_ = gtk_text_view_new();
        outer_ = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_container_add(GTK_CONTAINER(outer_), widget_);
        g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget_)), "changed",
                         G_CALLBACK(&onBufferChanged), this);
        g_signal_connect(widget_, "focus-in-event", G_CALLBACK(&onFocusIn), this);
        break;
      }
      case NativeControlKind::Slider:
        widget_ = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 1, 1);
        gtk_scale_set_draw_value(GTK_SCALE(widget_), FALSE);
        g_signal_connect(widget_, "value-changed", G_CALLBACK(&onValueChanged), this);
        break;
      case NativeControlKind::ProgressBar:
        widget_ = gtk_progress_bar_new();
        break;
      case NativeControlKind::Tabs:
        widget_ = gtk_notebook_new();
        g_signal_connect(widget_, "switch-page", G_CALLBACK(&onSwitchPage), this);
        break;
      case NativeControlKind::List:
        widget_ = gtk_tree_view_new();
        outer_ = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_container_add(GTK_CONTAINER(outer_), widget_);
        g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(widget_)), "changed",
                         G_CALLBACK(&onListSelection), this);
        break;
    }
    if (!outer_) outer_ = widget_;
    gtk_style_context_add_class(gtk_widget_get_style_context(outer_), "vq-control");
  }

  void apply(const NativeControlState& s) {
    updating_ = true;
    switch (s.kind) {
      case NativeControlKind::PushButton:
        gtk_button_set_label(GTK_BUTTON(widget_), s.text.c_str());
        if (s.isDefault) {
          gtk_widget_set_can_default(widget_, TRUE);
          GtkWidget* top = gtk_widget_get_toplevel(widget_);
          if (GTK_IS_WINDOW(top)) gtk_window_set_default(GTK_WINDOW(top), widget_);
        }
        break;
      case NativeControlKind::CheckBox:
        gtk_button_set_label(GTK_BUTTON(widget_), s.text.c_str());
        gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(widget_), s.checkState == -1);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget_), s.checkState == 1);
        break;
      case NativeControlKind::RadioButton:
        gtk_button_set_label(GTK_BUTTON(widget_), s.text.c_str());
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(s.checkState != 0 ? widget_ : spare_), TRUE);
        break;
      case NativeControlKind::Label:
        gtk_label_set_text(GTK_LABEL(widget_), s.text.c_str());
        gtk_label_set_xalign(GTK_LABEL(widget_), static_cast<float>(s.alignment));
        break;
      case NativeControlKind::GroupBox:
        gtk_frame_set_label(GTK_FRAME(widget_), s.text.c_str());
        gtk_frame_set_label_align(GTK_FRAME(widget_), static_cast<float>(s.alignment), 0.5f);
        break;
      case NativeControlKind::PopUp:
      case NativeControlKind::ComboBox: {
        auto* combo = GTK_COMBO_BOX_TEXT(widget_);
        if (s.items != shown_.items || first_) {
          gtk_combo_box_text_remove_all(combo);
          for (const std::string& item : s.items)
            gtk_combo_box_text_append_text(combo, item.c_str());
        }
        gtk_combo_box_set_active(GTK_COMBO_BOX(widget_), s.selected);
        if (s.kind == NativeControlKind::ComboBox) {
          GtkEntry* entry = GTK_ENTRY(gtk_bin_get_child(GTK_BIN(widget_)));
          if (s.text != gtk_entry_get_text(entry)) gtk_entry_set_text(entry, s.text.c_str());
        }
        break;
      }
      case NativeControlKind::TextField:
      case NativeControlKind::SecureField:
        if (s.text != gtk_entry_get_text(GTK_ENTRY(widget_)))
          gtk_entry_set_text(GTK_ENTRY(widget_), s.text.c_str());
        gtk_editable_set_editable(GTK_EDITABLE(widget_), s.editable);
        gtk_entry_set_alignment(GTK_ENTRY(widget_), static_cast<float>(s.alignment));
        break;
      case NativeControlKind::TextView: {
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget_));
        GtkTextIter a, b;
        gtk_text_buffer_get_bounds(buffer, &a, &b);
        gchar* now = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
        if (s.text != now) gtk_text_buffer_set_text(buffer, s.text.c_str(), -1);
        g_free(now);
        gtk_text_view_set_editable(GTK_TEXT_VIEW(widget_), s.editable);
        break;
      }
      case NativeControlKind::Slider:
        gtk_range_set_range(GTK_RANGE(widget_), s.minValue,
                            std::max(s.maxValue, s.minValue + 1e-9));
        gtk_range_set_value(GTK_RANGE(widget_), s.value);
        break;
      case NativeControlKind::ProgressBar: {
        double span = s.maxValue - s.minValue;
        gtk_progress_bar_set_fraction(
            GTK_PROGRESS_BAR(widget_),
            span > 0 ? std::clamp((s.value - s.minValue) / span, 0.0, 1.0) : 0.0);
        break;
      }
      case NativeControlKind::Tabs: {
        auto* book = GTK_NOTEBOOK(widget_);
        if (s.items != shown_.items || first_) {
          while (gtk_notebook_get_n_pages(book) > 0) gtk_notebook_remove_page(book, -1);
          for (const std::string& label : s.items) {
            GtkWidget* page = gtk_fixed_new();
            gtk_widget_show(page);
            gtk_notebook_append_page(book, page, gtk_label_new(label.c_str()));
          }
        }
        if (s.selected >= 0) gtk_notebook_set_current_page(book, s.selected);
        break;
      }
      case NativeControlKind::List:
        applyList(s);
        break;
    }
    shown_ = s;
    updating_ = false;
  }

  // A list store of one text column per list column; rebuilt when the columns change.
  void applyList(const NativeControlState& s) {
    auto* tree = GTK_TREE_VIEW(widget_);
    size_t n = std::max<size_t>(1, s.columns.size());
    bool rebuild = first_ || s.columns != shown_.columns;
    if (rebuild) {
      while (GtkTreeViewColumn* c = gtk_tree_view_get_column(tree, 0))
        gtk_tree_view_remove_column(tree, c);
      std::vector<GType> types(n, G_TYPE_STRING);
      GtkListStore* store = gtk_list_store_newv(static_cast<gint>(n), types.data());
      gtk_tree_view_set_model(tree, GTK_TREE_MODEL(store));
      g_object_unref(store);
      for (size_t i = 0; i < n; ++i) {
        const char* title = i < s.columns.size() ? s.columns[i].c_str() : "";
        gtk_tree_view_insert_column_with_attributes(tree, -1, title, gtk_cell_renderer_text_new(),
                                                    "text", static_cast<gint>(i), nullptr);
      }
      bool titled = std::any_of(s.columns.begin(), s.columns.end(),
                                [](const std::string& t) { return !t.empty(); });
      gtk_tree_view_set_headers_visible(tree, titled);
    }
    GtkListStore* store = GTK_LIST_STORE(gtk_tree_view_get_model(tree));
    if (rebuild || s.rows != shown_.rows) {
      gtk_list_store_clear(store);
      for (const auto& row : s.rows) {
        GtkTreeIter it;
        gtk_list_store_append(store, &it);
        for (size_t i = 0; i < n && i < row.size(); ++i)
          gtk_list_store_set(store, &it, static_cast<gint>(i), row[i].c_str(), -1);
      }
    }
    GtkTreeSelection* sel = gtk_tree_view_get_selection(tree);
    gtk_tree_selection_set_mode(
        sel, s.multipleSelection ? GTK_SELECTION_MULTIPLE : GTK_SELECTION_SINGLE);
    gtk_tree_selection_unselect_all(sel);
    for (int r : s.selectedRows) {
      GtkTreePath* path = gtk_tree_path_new_from_indices(r, -1);
      gtk_tree_selection_select_path(sel, path);
      gtk_tree_path_free(path);
    }
  }

  // Signals: only the user's changes go to the client, never the ones we made.
  static void onClicked(GtkWidget*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->updating_) return;
    self->client_.nativeClicked();
    self->refresh();  // the model decides the state shown
  }
  static void onComboChanged(GtkComboBox* combo, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->updating_) return;
    int active = gtk_combo_box_get_active(combo);
    if (active >= 0) {
      self->client_.nativeChose(active);
    } else if (self->shown_.kind == NativeControlKind::ComboBox) {
      self->client_.nativeTextChanged(
          gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo)))));
    }
  }
  static void onEntryChanged(GtkEditable* entry, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->updating_) self->client_.nativeTextChanged(gtk_entry_get_text(GTK_ENTRY(entry)));
  }
  static void onEntryActivate(GtkEntry*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->updating_) self->client_.nativeEditingEnded();
  }
  static gboolean onFocusIn(GtkWidget*, GdkEvent*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->updating_) self->client_.nativeFocused();
    return FALSE;
  }
  static void onBufferChanged(GtkTextBuffer* buffer, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->updating_) return;
    GtkTextIter a, b;
    gtk_text_buffer_get_bounds(buffer, &a, &b);
    gchar* text = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
    self->client_.nativeTextChanged(text);
    g_free(text);
  }
  static void onValueChanged(GtkRange* range, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->updating_) self->client_.nativeValueChanged(gtk_range_get_value(range));
  }
  static void onListSelection(GtkTreeSelection* sel, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->updating_) return;
    std::vector<int> rows;
    GList* paths = gtk_tree_selection_get_selected_rows(sel, nullptr);
    for (GList* l = paths; l; l = l->next)
      rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath*>(l->data))[0]);
    g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    self->client_.nativeSelectedRows(rows);
  }
  static void onSwitchPage(GtkNotebook*, GtkWidget*, guint page, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->updating_) self->client_.nativeChose(static_cast<int>(page));
  }

  DesktopControls* owner_;
  View& view_;
  NativeControlClient& client_;
  NativeControlState state_;  // as built
  NativeControlState shown_;
  GtkWidget* widget_ = nullptr;
  GtkWidget* outer_ = nullptr;
  GtkWidget* spare_ = nullptr;
  int x_ = -1, y_ = -1;
  bool updating_ = false;
  bool first_ = true;
};

DesktopControls::DesktopControls(DesktopBackend& backend) : backend_(backend) {
  // Dialog controls keep the heights their frames give, which are smaller than the theme's.
  css_ = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css_,
                                  ".vq-control, .vq-control button, .vq-control entry {"
                                  " min-height: 0; min-width: 0; padding: 0 2px; }",
                                  -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css_),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  // Frames, visibility and enabling change without telling the control: look again now and then.
  timer_ = g_timeout_add(50, &onTick, this);
}

DesktopControls::~DesktopControls() {
  if (timer_) g_source_remove(timer_);
  while (!live_.empty()) live_.back()->detach();
  gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css_));
  g_object_unref(css_);
}

std::unique_ptr<NativeControl> DesktopControls::createNativeControl(View& view,
                                                                    NativeControlClient& client) {
  return std::make_unique<DesktopNativeControl>(*this, view, client);
}

GtkWidget* DesktopControls::widgetFor(const View& view) const {
  for (DesktopNativeControl* c : live_)
    if (&c->view() == &view) return c->widget();
  return nullptr;
}

gboolean DesktopControls::onTick(gpointer p) {
  auto* self = static_cast<DesktopControls*>(p);
  std::vector<DesktopNativeControl*> live = self->live_;
  for (DesktopNativeControl* c : live)
    if (std::find(self->live_.begin(), self->live_.end(), c) != self->live_.end()) c->refresh();
  return G_SOURCE_CONTINUE;
}

void installDesktopControls(DesktopBackend& backend) {
  uninstallDesktopControls();
  gControls = new DesktopControls(backend);
  setNativeControlService(gControls);
}

void uninstallDesktopControls() {
  if (!gControls) return;
  setNativeControlService(nullptr);
  delete gControls;
  gControls = nullptr;
}

DesktopControls* desktopControls() {
  return gControls;
}

}  // namespace vq::platform
