#include "platform/gtk/desktop_controls.h"

#include <algorithm>
#include <cmath>

#include "platform/gtk/desktop_backend.h"
#include "platform/view.h"

namespace vq::platform {

namespace {
DesktopControls* gControls = nullptr;

// A scrolled window holding the widget.
GtkWidget* scrolledAround(GtkWidget* widget) {
  GtkWidget* outer = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_container_add(GTK_CONTAINER(outer), widget);
  return outer;
}
}  // namespace

class DesktopNativeControl final : public NativeControl {
 public:
  DesktopNativeControl(DesktopControls& owner, View& view, NativeControlClient& client)
      : mOwner(&owner), mView(view), mClient(client) {
    mState = client.nativeState();
    build();
    owner.mLive.push_back(this);
    refresh();
  }
  ~DesktopNativeControl() override { detach(); }

  // The backend goes: the widget with it.
  void detach() {
    if (!mOwner) return;
    auto& live = mOwner->mLive;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    mUpdating = true;  // nothing the widgets say while going reaches the control
    if (mOuter) gtk_widget_destroy(mOuter);
    if (mSpare) g_object_unref(mSpare);
    if (mCss) g_object_unref(mCss);
    mCss = nullptr;
    mOuter = mWidget = mSpare = nullptr;
    mOwner = nullptr;
  }

  void refresh() override {
    if (!mOwner || !mOuter) return;
    Window* w = mView.window();
    if (!w) {
      gtk_widget_hide(mOuter);
      return;
    }
    DesktopWindows& windows = mOwner->mBackend.windows;
    GtkWidget* content = windows.contentFor(*w);
    int x = 0, y = 0;
    windows.viewOrigin(mView, x, y);
    int width = std::max(1, static_cast<int>(mView.frame().width));
    int height = std::max(1, static_cast<int>(mView.frame().height));
    if (gtk_widget_get_parent(mOuter) != content) {
      if (GtkWidget* old = gtk_widget_get_parent(mOuter))
        gtk_container_remove(GTK_CONTAINER(old), mOuter);
      gtk_fixed_put(GTK_FIXED(content), mOuter, x, y);
    } else if (x != mX || y != mY) {
      gtk_fixed_move(GTK_FIXED(content), mOuter, x, y);
    }
    mX = x;
    mY = y;
    gtk_widget_set_size_request(mOuter, width, height);
    if (mState.kind == NativeControlKind::Label) wrapIfTallerThanALine(height);
    gtk_widget_set_sensitive(mOuter, mView.isEnabled() ? TRUE : FALSE);
    if (mView.isHiddenOrHasHiddenAncestor()) {
      gtk_widget_hide(mOuter);
    } else {
      gtk_widget_show_all(mOuter);
    }
    NativeControlState s = mClient.nativeState();
    if (!(s == mShown) || mFirst) apply(s);
    mFirst = false;
  }

  GtkWidget* widget() const { return mWidget; }

  // A one-line box keeps its text on one line, shown whole even where the desktop font is wider
  // than the box (wrapped, its second line would be cut off); taller boxes wrap.
  void wrapIfTallerThanALine(int height) {
    PangoLayout* probe = gtk_widget_create_pango_layout(mWidget, "Ag");
    int lineHeight = 0;
    pango_layout_get_pixel_size(probe, nullptr, &lineHeight);
    g_object_unref(probe);
    gtk_label_set_line_wrap(GTK_LABEL(mWidget),
                            height >= 2 * std::max(1, lineHeight) ? TRUE : FALSE);
  }
  const View& view() const { return mView; }

 private:
  void build() {
    const std::string& t = mState.text;
    switch (mState.kind) {
      case NativeControlKind::PushButton:
        mWidget = gtk_button_new_with_label(t.c_str());
        g_signal_connect(mWidget, "clicked", G_CALLBACK(&onClicked), this);
        break;
      case NativeControlKind::CheckBox:
        mWidget = gtk_check_button_new_with_label(t.c_str());
        g_signal_connect(mWidget, "toggled", G_CALLBACK(&onClicked), this);
        break;
      case NativeControlKind::RadioButton:
        // A hidden partner in the group lets the model switch the button off.
        mSpare = g_object_ref_sink(gtk_radio_button_new(nullptr));
        mWidget = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(mSpare), t.c_str());
        g_signal_connect(mWidget, "toggled", G_CALLBACK(&onClicked), this);
        break;
      case NativeControlKind::Label:
        mWidget = gtk_label_new(t.c_str());
        break;
      case NativeControlKind::GroupBox:
        mWidget = gtk_frame_new(t.c_str());
        break;
      case NativeControlKind::PopUp:
      case NativeControlKind::ComboBox:
        mWidget = mState.kind == NativeControlKind::PopUp ? gtk_combo_box_text_new()
                                                          : gtk_combo_box_text_new_with_entry();
        g_signal_connect(mWidget, "changed", G_CALLBACK(&onComboChanged), this);
        g_signal_connect(mWidget, "notify::popup-shown", G_CALLBACK(&onPopupShown), this);
        shortenLongItems(mWidget);
        break;
      case NativeControlKind::TextField:
      case NativeControlKind::SecureField:
        mWidget = gtk_entry_new();
        gtk_entry_set_visibility(GTK_ENTRY(mWidget), mState.kind == NativeControlKind::TextField);
        gtk_entry_set_activates_default(GTK_ENTRY(mWidget), TRUE);
        g_signal_connect(mWidget, "changed", G_CALLBACK(&onEntryChanged), this);
        g_signal_connect(mWidget, "activate", G_CALLBACK(&onEntryActivate), this);
        break;
      case NativeControlKind::TextView: {
        mWidget = gtk_text_view_new();
        mOuter = scrolledAround(mWidget);
        g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(mWidget)), "changed",
                         G_CALLBACK(&onBufferChanged), this);
        break;
      }
      case NativeControlKind::Slider:
        mWidget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 1, 1);
        gtk_scale_set_draw_value(GTK_SCALE(mWidget), FALSE);
        g_signal_connect(mWidget, "value-changed", G_CALLBACK(&onValueChanged), this);
        break;
      case NativeControlKind::ProgressBar:
        mWidget = gtk_progress_bar_new();
        break;
      case NativeControlKind::Tabs:
        mWidget = gtk_notebook_new();
        g_signal_connect(mWidget, "switch-page", G_CALLBACK(&onSwitchPage), this);
        break;
      case NativeControlKind::Tree:
        mWidget = gtk_tree_view_new();
        mOuter = scrolledAround(mWidget);
        gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(mWidget), FALSE);
        g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(mWidget)), "changed",
                         G_CALLBACK(&onTreeSelection), this);
        g_signal_connect(mWidget, "row-expanded", G_CALLBACK(&onTreeExpanded), this);
        g_signal_connect(mWidget, "row-collapsed", G_CALLBACK(&onTreeCollapsed), this);
        g_signal_connect(mWidget, "button-press-event", G_CALLBACK(&onTreePress), this);
        break;
      case NativeControlKind::List:
        mWidget = gtk_tree_view_new();
        mOuter = scrolledAround(mWidget);
        g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(mWidget)), "changed",
                         G_CALLBACK(&onListSelection), this);
        g_signal_connect(mWidget, "button-press-event", G_CALLBACK(&onListButton), this);
        g_signal_connect(mWidget, "button-release-event", G_CALLBACK(&onListButton), this);
        g_signal_connect(mWidget, "motion-notify-event", G_CALLBACK(&onListMotion), this);
        break;
    }
    // Taking the keyboard focus makes the control first responder (and the one before it
    // ends its editing).
    g_signal_connect(mWidget, "focus-in-event", G_CALLBACK(&onFocusIn), this);
    if (!mOuter) mOuter = mWidget;
    gtk_style_context_add_class(gtk_widget_get_style_context(mOuter), "vq-control");
  }

  // A long entry is shown shortened in its middle: the list keeps the width it was given
  // instead of growing over its neighbours (and its window with it).
  static void shortenLongItems(GtkWidget* combo) {
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
    for (GList* c = cells; c; c = c->next)
      if (GTK_IS_CELL_RENDERER_TEXT(c->data))
        g_object_set(c->data, "ellipsize", PANGO_ELLIPSIZE_MIDDLE, "max-width-chars", 8, nullptr);
    g_list_free(cells);
  }

  void apply(const NativeControlState& s) {
    mUpdating = true;
    switch (s.kind) {
      case NativeControlKind::PushButton:
        gtk_button_set_label(GTK_BUTTON(mWidget), s.text.c_str());
        if (s.isDefault) {
          gtk_widget_set_can_default(mWidget, TRUE);
          GtkWidget* top = gtk_widget_get_toplevel(mWidget);
          if (GTK_IS_WINDOW(top)) gtk_window_set_default(GTK_WINDOW(top), mWidget);
        }
        break;
      case NativeControlKind::CheckBox:
        gtk_button_set_label(GTK_BUTTON(mWidget), s.text.c_str());
        gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(mWidget), s.checkState == -1);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(mWidget), s.checkState == 1);
        break;
      case NativeControlKind::RadioButton:
        gtk_button_set_label(GTK_BUTTON(mWidget), s.text.c_str());
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(s.checkState != 0 ? mWidget : mSpare), TRUE);
        break;
      case NativeControlKind::Label:
        gtk_label_set_text(GTK_LABEL(mWidget), s.text.c_str());
        gtk_label_set_xalign(GTK_LABEL(mWidget), static_cast<float>(s.alignment));
        applyTextColor(s);
        break;
      case NativeControlKind::GroupBox:
        gtk_frame_set_label(GTK_FRAME(mWidget), s.text.c_str());
        gtk_frame_set_label_align(GTK_FRAME(mWidget), static_cast<float>(s.alignment), 0.5f);
        break;
      case NativeControlKind::PopUp:
      case NativeControlKind::ComboBox: {
        auto* combo = GTK_COMBO_BOX_TEXT(mWidget);
        if (s.items != mShown.items || mFirst) {
          gtk_combo_box_text_remove_all(combo);
          for (const std::string& item : s.items)
            gtk_combo_box_text_append_text(combo, item.c_str());
        }
        gtk_combo_box_set_active(GTK_COMBO_BOX(mWidget), s.selected);
        if (s.kind == NativeControlKind::ComboBox) {
          GtkEntry* entry = GTK_ENTRY(gtk_bin_get_child(GTK_BIN(mWidget)));
          if (s.text != gtk_entry_get_text(entry)) gtk_entry_set_text(entry, s.text.c_str());
        }
        break;
      }
      case NativeControlKind::TextField:
      case NativeControlKind::SecureField:
        if (s.text != gtk_entry_get_text(GTK_ENTRY(mWidget)))
          gtk_entry_set_text(GTK_ENTRY(mWidget), s.text.c_str());
        gtk_editable_set_editable(GTK_EDITABLE(mWidget), s.editable);
        gtk_entry_set_alignment(GTK_ENTRY(mWidget), static_cast<float>(s.alignment));
        break;
      case NativeControlKind::TextView: {
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(mWidget));
        GtkTextIter a, b;
        gtk_text_buffer_get_bounds(buffer, &a, &b);
        gchar* now = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
        if (s.text != now) gtk_text_buffer_set_text(buffer, s.text.c_str(), -1);
        g_free(now);
        gtk_text_view_set_editable(GTK_TEXT_VIEW(mWidget), s.editable);
        break;
      }
      case NativeControlKind::Slider:
        gtk_range_set_range(GTK_RANGE(mWidget), s.minValue,
                            std::max(s.maxValue, s.minValue + 1e-9));
        gtk_range_set_value(GTK_RANGE(mWidget), s.value);
        break;
      case NativeControlKind::ProgressBar: {
        double span = s.maxValue - s.minValue;
        gtk_progress_bar_set_fraction(
            GTK_PROGRESS_BAR(mWidget),
            span > 0 ? std::clamp((s.value - s.minValue) / span, 0.0, 1.0) : 0.0);
        break;
      }
      case NativeControlKind::Tabs: {
        auto* book = GTK_NOTEBOOK(mWidget);
        if (s.items != mShown.items || mFirst) {
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
      case NativeControlKind::Tree:
        applyTree(s);
        break;
    }
    mShown = s;
    mUpdating = false;
  }

  // A label's own text colour, half transparent while the label is disabled.
  void applyTextColor(const NativeControlState& s) {
    if (s.textColor != mShown.textColor || mFirst) {
      if (!mCss) {
        mCss = gtk_css_provider_new();
        gtk_style_context_add_provider(gtk_widget_get_style_context(mWidget),
                                       GTK_STYLE_PROVIDER(mCss),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
      }
      char css[96] = "";
      if (s.textColor)
        g_snprintf(css, sizeof css, "label { color: #%06x; }",
                   static_cast<unsigned>(*s.textColor & 0xFFFFFF));
      gtk_css_provider_load_from_data(mCss, css, -1, nullptr);
    }
    gtk_widget_set_opacity(mWidget, s.textAlpha);
  }

  // A pixbuf of an image (none when empty).
  static GdkPixbuf* pixbufOf(const Image& image) {
    if (image.width < 1 || image.height < 1) return nullptr;
    GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.width, image.height);
    guchar* to = gdk_pixbuf_get_pixels(pb);
    int stride = gdk_pixbuf_get_rowstride(pb);
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        size_t at = (static_cast<size_t>(y) * image.width + x) * image.samplesPerPixel;
        guchar* p = to + y * stride + x * 4;
        if (at + image.samplesPerPixel > image.pixels.size()) continue;
        if (image.samplesPerPixel == 2) {
          p[0] = p[1] = p[2] = image.pixels[at];
          p[3] = image.pixels[at + 1];
        } else {
          for (int i = 0; i < 4; ++i) p[i] = image.pixels[at + i];
        }
      }
    }
    return pb;
  }

  // Selected rows' text in the colour the control asks for (focused or not).
  static void cellTextColor(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel*,
                            GtkTreeIter* it, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    auto* tree = GTK_TREE_VIEW(self->mWidget);
    bool selected = gtk_tree_selection_iter_is_selected(gtk_tree_view_get_selection(tree), it);
    const auto& colour =
        self->mShown.selectedTextColor[gtk_widget_has_focus(self->mWidget) ? 0 : 1];
    // An attribute of the text: the renderer's foreground colour is not used on selected rows.
    PangoAttrList* attrs = nullptr;
    if (selected && colour) {
      attrs = pango_attr_list_new();
      pango_attr_list_insert(
          attrs, pango_attr_foreground_new(((*colour >> 16) & 0xFF) * 257,
                                           ((*colour >> 8) & 0xFF) * 257, (*colour & 0xFF) * 257));
    }
    g_object_set(cell, "attributes", attrs, nullptr);
    if (attrs) pango_attr_list_unref(attrs);
  }

  // A list store of a text and an image column per list column; rebuilt when the columns
  // change.
  void applyList(const NativeControlState& s) {
    auto* tree = GTK_TREE_VIEW(mWidget);
    size_t n = std::max<size_t>(1, s.columns.size());
    bool rebuild = mFirst || s.columns != mShown.columns;
    if (rebuild) {
      while (GtkTreeViewColumn* c = gtk_tree_view_get_column(tree, 0))
        gtk_tree_view_remove_column(tree, c);
      std::vector<GType> types(n, G_TYPE_STRING);
      types.resize(2 * n, GDK_TYPE_PIXBUF);
      GtkListStore* store = gtk_list_store_newv(static_cast<gint>(2 * n), types.data());
      gtk_tree_view_set_model(tree, GTK_TREE_MODEL(store));
      g_object_unref(store);
      for (size_t i = 0; i < n; ++i) {
        const char* title = i < s.columns.size() ? s.columns[i].c_str() : "";
        GtkTreeViewColumn* column = gtk_tree_view_column_new();
        gtk_tree_view_column_set_title(column, title);
        GtkCellRenderer* image = gtk_cell_renderer_pixbuf_new();
        gtk_tree_view_column_pack_start(column, image, FALSE);
        gtk_tree_view_column_add_attribute(column, image, "pixbuf", static_cast<gint>(n + i));
        GtkCellRenderer* text = gtk_cell_renderer_text_new();
        gtk_tree_view_column_pack_start(column, text, TRUE);
        gtk_tree_view_column_add_attribute(column, text, "text", static_cast<gint>(i));
        gtk_tree_view_column_set_cell_data_func(column, text, &cellTextColor, this, nullptr);
        gtk_tree_view_append_column(tree, column);
        gtk_tree_view_column_set_clickable(column, TRUE);
        g_object_set_data(G_OBJECT(column), "vq-column", GINT_TO_POINTER(i));
        g_signal_connect(column, "clicked", G_CALLBACK(&onHeaderClicked), this);
      }
      bool titled = std::any_of(s.columns.begin(), s.columns.end(),
                                [](const std::string& t) { return !t.empty(); });
      gtk_tree_view_set_headers_visible(tree, titled);
    }
    GtkListStore* store = GTK_LIST_STORE(gtk_tree_view_get_model(tree));
    if (rebuild || s.rows != mShown.rows || s.cellImages != mShown.cellImages) {
      gtk_list_store_clear(store);
      for (size_t r = 0; r < s.rows.size(); ++r) {
        const auto& row = s.rows[r];
        GtkTreeIter it;
        gtk_list_store_append(store, &it);
        for (size_t i = 0; i < n && i < row.size(); ++i) {
          gtk_list_store_set(store, &it, static_cast<gint>(i), row[i].c_str(), -1);
          if (r < s.cellImages.size() && i < s.cellImages[r].size())
            if (GdkPixbuf* pb = pixbufOf(s.cellImages[r][i])) {
              gtk_list_store_set(store, &it, static_cast<gint>(n + i), pb, -1);
              g_object_unref(pb);
            }
        }
      }
    }
    for (size_t i = 0; i < n; ++i) {
      GtkTreeViewColumn* column = gtk_tree_view_get_column(tree, static_cast<gint>(i));
      int arrow = i < s.sortArrows.size() ? s.sortArrows[i] : 0;
      gtk_tree_view_column_set_sort_indicator(column, arrow != 0);
      gtk_tree_view_column_set_sort_order(column,
                                          arrow < 0 ? GTK_SORT_DESCENDING : GTK_SORT_ASCENDING);
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

  // A tree store of the items (text and the item's index), rebuilt when the items change;
  // opened items, the selection.
  void applyTree(const NativeControlState& s) {
    auto* tree = GTK_TREE_VIEW(mWidget);
    auto sameShape = [](const std::vector<NativeTreeItem>& a,
                        const std::vector<NativeTreeItem>& b) {
      if (a.size() != b.size()) return false;
      for (size_t i = 0; i < a.size(); ++i)
        if (a[i].depth != b[i].depth || a[i].text != b[i].text) return false;
      return true;
    };
    if (mFirst || !sameShape(s.treeItems, mShown.treeItems)) {
      if (mFirst) {
        GtkCellRenderer* text = gtk_cell_renderer_text_new();
        GtkTreeViewColumn* column =
            gtk_tree_view_column_new_with_attributes("", text, "text", 0, nullptr);
        gtk_tree_view_column_set_cell_data_func(column, text, &cellTextColor, this, nullptr);
        gtk_tree_view_append_column(tree, column);
      }
      GtkTreeStore* store = gtk_tree_store_new(2, G_TYPE_STRING, G_TYPE_INT);
      std::vector<GtkTreeIter> parents;
      for (size_t i = 0; i < s.treeItems.size(); ++i) {
        const NativeTreeItem& item = s.treeItems[i];
        parents.resize(std::min<size_t>(parents.size(), static_cast<size_t>(item.depth)));
        GtkTreeIter it;
        gtk_tree_store_append(store, &it, parents.empty() ? nullptr : &parents.back());
        gtk_tree_store_set(store, &it, 0, item.text.c_str(), 1, static_cast<gint>(i), -1);
        parents.push_back(it);
      }
      gtk_tree_view_set_model(tree, GTK_TREE_MODEL(store));
      g_object_unref(store);
    }
    GtkTreeModel* model = gtk_tree_view_get_model(tree);
    gtk_tree_selection_unselect_all(gtk_tree_view_get_selection(tree));
    mPending = &s;
    gtk_tree_model_foreach(
        model,
        [](GtkTreeModel* m, GtkTreePath* path, GtkTreeIter* it, gpointer p) -> gboolean {
          auto* self = static_cast<DesktopNativeControl*>(p);
          gint index = 0;
          gtk_tree_model_get(m, it, 1, &index, -1);
          const auto& items = self->mPending->treeItems;
          auto* tv = GTK_TREE_VIEW(self->mWidget);
          if (index >= 0 && index < static_cast<gint>(items.size())) {
            if (items[index].expanded)
              gtk_tree_view_expand_row(tv, path, FALSE);
            else
              gtk_tree_view_collapse_row(tv, path);
          }
          if (index == self->mPending->selected)
            gtk_tree_selection_select_path(gtk_tree_view_get_selection(tv), path);
          return FALSE;
        },
        this);
    mPending = nullptr;
  }
  // The item index of a row of the tree.
  static int treeIndex(GtkTreeModel* model, GtkTreeIter* it) {
    gint index = -1;
    gtk_tree_model_get(model, it, 1, &index, -1);
    return index;
  }
  static void onTreeSelection(GtkTreeSelection* sel, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->mUpdating) return;
    GtkTreeModel* model = nullptr;
    GtkTreeIter it;
    self->mClient.nativeTreeSelected(
        gtk_tree_selection_get_selected(sel, &model, &it) ? treeIndex(model, &it) : -1);
  }
  static void onTreeExpanded(GtkTreeView* tree, GtkTreeIter* it, GtkTreePath*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating)
      self->mClient.nativeTreeExpanded(treeIndex(gtk_tree_view_get_model(tree), it), true);
  }
  static void onTreeCollapsed(GtkTreeView* tree, GtkTreeIter* it, GtkTreePath*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating)
      self->mClient.nativeTreeExpanded(treeIndex(gtk_tree_view_get_model(tree), it), false);
  }
  static gboolean onTreePress(GtkWidget*, GdkEventButton* e, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (e->button == 1 && e->type == GDK_BUTTON_PRESS && !self->mUpdating)
      self->mClient.nativeRowClicked(-1, 0, 1);
    return FALSE;
  }

  // Signals: only the user's changes go to the client, never the ones we made.
  static void onClicked(GtkWidget*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->mUpdating) return;
    self->mClient.nativeClicked();
    self->refresh();  // the model decides the state shown
  }
  static void onComboChanged(GtkComboBox* combo, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->mUpdating) return;
    int active = gtk_combo_box_get_active(combo);
    if (active >= 0) {
      self->mClient.nativeChose(active);
    } else if (self->mShown.kind == NativeControlKind::ComboBox) {
      self->mClient.nativeTextChanged(
          gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo)))));
    }
  }
  static void onEntryChanged(GtkEditable* entry, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating) self->mClient.nativeTextChanged(gtk_entry_get_text(GTK_ENTRY(entry)));
  }
  static void onEntryActivate(GtkEntry*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating) self->mClient.nativeEditingEnded();
  }
  static gboolean onFocusIn(GtkWidget*, GdkEvent*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating) self->mClient.nativeFocused();
    return FALSE;
  }
  static void onBufferChanged(GtkTextBuffer* buffer, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->mUpdating) return;
    GtkTextIter a, b;
    gtk_text_buffer_get_bounds(buffer, &a, &b);
    gchar* text = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
    self->mClient.nativeTextChanged(text);
    g_free(text);
  }
  static void onValueChanged(GtkRange* range, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating) self->mClient.nativeValueChanged(gtk_range_get_value(range));
  }
  static void onListSelection(GtkTreeSelection* sel, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->mUpdating) return;
    std::vector<int> rows;
    GList* paths = gtk_tree_selection_get_selected_rows(sel, nullptr);
    for (GList* l = paths; l; l = l->next)
      rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath*>(l->data))[0]);
    g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    self->mClient.nativeSelectedRows(rows);
  }
  // A release on a row reports the click, with two clicks after a double press.
  static gboolean onListButton(GtkWidget* widget, GdkEventButton* e, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (e->button != 1 || self->mUpdating) return FALSE;
    if (e->type == GDK_2BUTTON_PRESS) self->mDoubleClick = true;
    if (e->type == GDK_BUTTON_PRESS) self->mDoubleClick = false;
    auto* tree = GTK_TREE_VIEW(widget);
    if (e->window != gtk_tree_view_get_bin_window(tree)) return FALSE;  // the header's
    if (e->type == GDK_BUTTON_PRESS) {
      int row = -1, col = -1;
      rowAt(tree, e->x, e->y, row, col);
      self->mPressed = true;
      self->mClient.nativeRowPressed(row, col);
      return FALSE;
    }
    if (e->type != GDK_BUTTON_RELEASE) return FALSE;
    self->mPressed = false;
    int row = -1, col = -1;
    rowAt(tree, e->x, e->y, row, col);
    int clicks = self->mDoubleClick ? 2 : 1;
    self->mDoubleClick = false;
    self->mClient.nativeRowClicked(row, col, clicks);
    return FALSE;
  }
  static void rowAt(GtkTreeView* tree, double x, double y, int& row, int& col) {
    GtkTreePath* path = nullptr;
    GtkTreeViewColumn* column = nullptr;
    if (gtk_tree_view_get_path_at_pos(tree, static_cast<gint>(x), static_cast<gint>(y), &path,
                                      &column, nullptr, nullptr)) {
      row = gtk_tree_path_get_indices(path)[0];
      gtk_tree_path_free(path);
      col = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(column), "vq-column"));
    }
  }
  static gboolean onListMotion(GtkWidget*, GdkEventMotion* e, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (self->mPressed && (e->state & GDK_BUTTON1_MASK) && !self->mUpdating)
      self->mClient.nativeRowDragged();
    return FALSE;
  }
  static void onHeaderClicked(GtkTreeViewColumn* column, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating)
      self->mClient.nativeHeaderClicked(
          GPOINTER_TO_INT(g_object_get_data(G_OBJECT(column), "vq-column")));
  }
  static void onPopupShown(GObject* combo, GParamSpec*, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    gboolean shown = FALSE;
    g_object_get(combo, "popup-shown", &shown, nullptr);
    if (shown && !self->mUpdating) self->mClient.nativeWillPopUp();
  }
  static void onSwitchPage(GtkNotebook*, GtkWidget*, guint page, gpointer p) {
    auto* self = static_cast<DesktopNativeControl*>(p);
    if (!self->mUpdating) self->mClient.nativeChose(static_cast<int>(page));
  }

  DesktopControls* mOwner;
  View& mView;
  NativeControlClient& mClient;
  NativeControlState mState;  // as built
  NativeControlState mShown;
  GtkWidget* mWidget = nullptr;
  GtkWidget* mOuter = nullptr;
  GtkWidget* mSpare = nullptr;
  int mX = -1, mY = -1;
  bool mUpdating = false;
  bool mFirst = true;
  bool mDoubleClick = false;
  bool mPressed = false;                         // a list row is held
  GtkCssProvider* mCss = nullptr;                // a label's own colour
  const NativeControlState* mPending = nullptr;  // the state being applied
};

DesktopControls::DesktopControls(DesktopBackend& backend) : mBackend(backend) {
  // Dialog controls keep the heights their frames give, which are smaller than the theme's.
  mCss = gtk_css_provider_new();
  gtk_css_provider_load_from_data(mCss,
                                  ".vq-control, .vq-control button, .vq-control entry {"
                                  " min-height: 0; min-width: 0; padding: 0 2px; }",
                                  -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(mCss),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  // Frames, visibility and enabling change without telling the control: look again now and then.
  mTimer = backend.loop.addTimer(
      0.05, true, [this] { onTick(); }, true);
  backend.loop.setQuietCheck(mTimer, [this] { return mLive.empty(); });
}

DesktopControls::~DesktopControls() {
  if (mTimer) mBackend.loop.invalidateTimer(mTimer);
  while (!mLive.empty()) mLive.back()->detach();
  gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(mCss));
  g_object_unref(mCss);
}

std::unique_ptr<NativeControl> DesktopControls::createNativeControl(View& view,
                                                                    NativeControlClient& client) {
  return std::make_unique<DesktopNativeControl>(*this, view, client);
}

GtkWidget* DesktopControls::widgetFor(const View& view) const {
  for (DesktopNativeControl* c : mLive)
    if (&c->view() == &view) return c->widget();
  return nullptr;
}

void DesktopControls::onTick() {
  std::vector<DesktopNativeControl*> live = mLive;
  for (DesktopNativeControl* c : live)
    if (std::find(mLive.begin(), mLive.end(), c) != mLive.end()) c->refresh();
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
