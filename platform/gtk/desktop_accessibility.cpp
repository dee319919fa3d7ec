#include "platform/gtk/desktop_accessibility.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gtk/desktop_backend.h"
#include "platform/view.h"

namespace {

using vq::platform::AccessibilityElement;
using vq::platform::Point;
using vq::platform::Rect;
using vq::platform::View;
using vq::platform::Window;

struct Bridge;

// A view in the lists of elements that views answer with.
class ViewNode final : public AccessibilityElement {
 public:
  explicit ViewNode(View* v) : view(v) {}
  bool isIgnored() const override { return view->accessibilityIsIgnored(); }
  std::string accessibleRole() const override { return "panel"; }
  Rect accessibleFrame() const override { return view->bounds(); }
  View* view;
};

}  // namespace

// ---- GObject types -------------------------------------------------------------------------

extern "C" {

typedef struct {
  AtkObject parent;
  Bridge* bridge;  // cleared when the content area's object goes
  View* view;      // the view the element belongs to (the view itself for a view node)
  AccessibilityElement* element;
  AccessibilityElement* root;  // what the view supplied when this was made; none for a view
} VqNode;
typedef struct {
  AtkObjectClass parent_class;
} VqNodeClass;

typedef struct {
  GtkContainerAccessible parent;
  Bridge* bridge;
} VqContentAccessible;
typedef struct {
  GtkContainerAccessibleClass parent_class;
} VqContentAccessibleClass;

typedef struct {
  GtkFixed parent;
} VqContentArea;
typedef struct {
  GtkFixedClass parent_class;
} VqContentAreaClass;

static void vq_node_component_init(AtkComponentIface* iface);
static void vq_content_accessible_component_init(AtkComponentIface* iface);
GType vq_content_accessible_get_type();

G_DEFINE_TYPE_WITH_CODE(VqNode, vq_node, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, vq_node_component_init))
G_DEFINE_TYPE_WITH_CODE(VqContentAccessible, vq_content_accessible, GTK_TYPE_CONTAINER_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT,
                                              vq_content_accessible_component_init))
G_DEFINE_TYPE(VqContentArea, vq_content_area, GTK_TYPE_FIXED)
}

namespace {

using Hit = std::pair<AccessibilityElement*, View*>;  // an element and the view it belongs to

struct Bridge {
  GtkWidget* content = nullptr;
  AtkObject* self = nullptr;
  std::map<View*, std::unique_ptr<ViewNode>> nodes;
  std::map<AccessibilityElement*, VqNode*> wrappers;  // holds a reference each
  // The view that supplied each element listed so far: an ignored view's element shows under
  // another view but keeps its own coordinates.
  std::map<AccessibilityElement*, View*> suppliers;

  ~Bridge() { release(); }
  // Lets the objects go: each holds its parent, so they and the content area's object would
  // otherwise keep each other.
  void release() {
    auto all = std::move(wrappers);
    wrappers.clear();
    suppliers.clear();
    for (auto& [e, w] : all) {
      w->bridge = nullptr;
      g_object_unref(w);
    }
  }

  Window* window() const {
    vq::platform::DesktopBackend* b = vq::platform::desktop();
    return b && content ? b->windows.windowForGtk(gtk_widget_get_toplevel(content)) : nullptr;
  }
  static bool within(View* root, View* v) {
    if (root == v) return true;
    for (View* s : root->subviews())
      if (within(s, v)) return true;
    return false;
  }
  // The view is still in this window (a view that went is never touched again).
  bool live(View* v) const {
    Window* w = window();
    return w && w->contentView() && within(w->contentView(), v);
  }
  ViewNode* nodeFor(View* v) {
    auto& n = nodes[v];
    if (!n) n = std::make_unique<ViewNode>(v);
    return n.get();
  }
  static bool shown(View* v) { return v->hasOwnAccessibility() && !v->isHidden(); }
  // The subviews as the view's inherited children: an ignored one gives way to its own.
  std::vector<AccessibilityElement*> inheritedOf(View* v) {
    std::vector<AccessibilityElement*> out;
    for (View* s : v->subviews()) {
      if (!shown(s)) continue;
      if (s->accessibilityIsIgnored()) {
        for (AccessibilityElement* e : childrenOf(s)) out.push_back(e);
      } else {
        out.push_back(nodeFor(s));
      }
    }
    return out;
  }
  std::vector<AccessibilityElement*> childrenOf(View* v) {
    if (AccessibilityElement* own = v->accessibilityElement()) suppliers[own] = v;
    return v->accessibilityChildren(inheritedOf(v), false);
  }
  // What the content area shows of the window's views.
  std::vector<AccessibilityElement*> topElements() {
    Window* w = window();
    View* cv = w ? w->contentView() : nullptr;
    if (!cv || !shown(cv)) return {};
    if (cv->accessibilityIsIgnored()) return childrenOf(cv);
    return {nodeFor(cv)};
  }
  View* supplierOf(AccessibilityElement* e, View* asked) {
    if (auto* n = dynamic_cast<ViewNode*>(e)) return n->view;
    auto it = suppliers.find(e);
    if (it != suppliers.end() && it->second != asked && live(it->second) &&
        it->second->accessibilityElement() == e)
      return it->second;
    return asked;
  }
  // The object for an element of the view, made once and kept while the view supplies it.
  AtkObject* wrap(AccessibilityElement* e, View* supplier, AtkObject* parent) {
    supplier = supplierOf(e, supplier);
    auto it = wrappers.find(e);
    if (it != wrappers.end()) {
      if (valid(it->second) && it->second->view == supplier) return ATK_OBJECT(it->second);
      it->second->bridge = nullptr;
      g_object_unref(it->second);
      wrappers.erase(it);
    }
    auto* node = static_cast<VqNode*>(g_object_new(vq_node_get_type(), nullptr));
    node->bridge = this;
    node->view = supplier;
    node->element = e;
    node->root = dynamic_cast<ViewNode*>(e) ? nullptr : supplier->accessibilityElement();
    atk_object_initialize(ATK_OBJECT(node), nullptr);
    atk_object_set_parent(ATK_OBJECT(node), parent);
    wrappers[e] = node;
    return ATK_OBJECT(node);
  }
  bool valid(VqNode* n) {
    if (!n->bridge || !live(n->view)) return false;
    return !n->root || n->view->accessibilityElement() == n->root;
  }
  // The object of a view's own node, or of the nearest shown ancestor's (the content area's when
  // none): where an element of the view hangs.
  AtkObject* parentFor(View* v) {
    Window* w = window();
    for (View* p = v; p; p = p->superview()) {
      if (!shown(p) || p->accessibilityIsIgnored()) {
        if (w && p == w->contentView()) break;
        continue;
      }
      AtkObject* up = p->superview() ? parentFor(p->superview()) : self;
      return wrap(nodeFor(p), p, up);
    }
    return self;
  }
  AtkObject* wrapHit(Hit h) {
    if (!h.first) return nullptr;
    if (auto* n = dynamic_cast<ViewNode*>(h.first)) {
      if (n->view->accessibilityIsIgnored())
        return n->view->superview() ? parentFor(n->view->superview()) : nullptr;
      return parentFor(n->view);
    }
    return wrap(h.first, h.second, parentFor(h.second));
  }
  // The element of the view (or a subview) at a point in window coordinates.
  Hit hitIn(View* v, Point pw) {
    Point p = v->convertFromWindow(pw);
    if (!v->bounds().contains(p)) return {nullptr, nullptr};
    Hit inherited{nodeFor(v), v};
    const auto& subs = v->subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
      if (!shown(*it)) continue;
      Hit h = hitIn(*it, pw);
      if (h.first) {
        inherited = h;
        break;
      }
    }
    AccessibilityElement* r = v->accessibilityHitTest(p, inherited.first);
    if (r == inherited.first) return inherited;
    return {r, supplierOf(r, v)};
  }

  // Window coordinates (y up) and the coordinates ATK asks in.
  bool origin(AtkCoordType type, int& x, int& y) {
    if (!content) return false;
    GtkWidget* top = gtk_widget_get_toplevel(content);
    if (!gtk_widget_get_realized(top) ||
        !gtk_widget_translate_coordinates(content, top, 0, 0, &x, &y))
      return false;
    if (type == ATK_XY_SCREEN) {
      int ox = 0, oy = 0;
      gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
      x += ox;
      y += oy;
    }
    return true;
  }
  bool toAtk(View* v, Rect r, AtkCoordType type, gint* x, gint* y, gint* w, gint* h) {
    Window* win = window();
    int ox = 0, oy = 0;
    if (!win || !origin(type, ox, oy)) return false;
    Point a = v->convertToWindow({r.x, r.y}), b = v->convertToWindow({r.maxX(), r.maxY()});
    double height = win->frame().height;
    *x = ox + static_cast<int>(std::min(a.x, b.x));
    *y = oy + static_cast<int>(height - std::max(a.y, b.y));
    *w = static_cast<int>(std::abs(b.x - a.x));
    *h = static_cast<int>(std::abs(b.y - a.y));
    return true;
  }
  bool fromAtk(gint x, gint y, AtkCoordType type, Point& pw) {
    Window* win = window();
    int ox = 0, oy = 0;
    if (!win || !origin(type, ox, oy)) return false;
    pw = {double(x - ox) + 0.5, win->frame().height - double(y - oy) - 0.5};
    return true;
  }
};

Bridge* liveBridge(VqNode* n) {
  return n->bridge && n->bridge->valid(n) ? n->bridge : nullptr;
}

std::vector<AccessibilityElement*> nodeChildren(VqNode* n) {
  Bridge* b = liveBridge(n);
  if (!b) return {};
  if (dynamic_cast<ViewNode*>(n->element)) return b->childrenOf(n->view);
  return n->element->accessibleChildren();
}

}  // namespace

// ---- Node: a view or an element --------------------------------------------------------------

static const gchar* vq_node_get_name(AtkObject* o) {
  VqNode* n = reinterpret_cast<VqNode*>(o);
  if (!liveBridge(n)) return nullptr;
  std::string name = n->element->accessibleName();
  // Kept on the object until the next ask, as ATK lends the string.
  g_object_set_data_full(G_OBJECT(o), "vq-name", g_strdup(name.c_str()), g_free);
  return static_cast<const gchar*>(g_object_get_data(G_OBJECT(o), "vq-name"));
}

static AtkRole vq_node_get_role(AtkObject* o) {
  VqNode* n = reinterpret_cast<VqNode*>(o);
  if (!liveBridge(n)) return ATK_ROLE_UNKNOWN;
  std::string role = n->element->accessibleRole();
  AtkRole r = role.empty() ? ATK_ROLE_UNKNOWN : atk_role_for_name(role.c_str());
  return r == ATK_ROLE_INVALID ? ATK_ROLE_UNKNOWN : r;
}

static gint vq_node_get_n_children(AtkObject* o) {
  return static_cast<gint>(nodeChildren(reinterpret_cast<VqNode*>(o)).size());
}

static AtkObject* vq_node_ref_child(AtkObject* o, gint i) {
  VqNode* n = reinterpret_cast<VqNode*>(o);
  std::vector<AccessibilityElement*> all = nodeChildren(n);
  if (i < 0 || i >= static_cast<gint>(all.size())) return nullptr;
  return ATK_OBJECT(g_object_ref(n->bridge->wrap(all[i], n->view, o)));
}

static gint vq_node_get_index_in_parent(AtkObject* o) {
  AtkObject* parent = atk_object_get_parent(o);
  if (!parent) return -1;
  for (gint i = 0, count = atk_object_get_n_accessible_children(parent); i < count; ++i) {
    AtkObject* c = atk_object_ref_accessible_child(parent, i);
    if (c) g_object_unref(c);
    if (c == o) return i;
  }
  return -1;
}

static AtkStateSet* vq_node_ref_state_set(AtkObject* o) {
  AtkStateSet* set = atk_state_set_new();
  VqNode* n = reinterpret_cast<VqNode*>(o);
  Bridge* b = liveBridge(n);
  if (!b) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  for (AtkStateType s : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE})
    atk_state_set_add_state(set, s);
  if (!n->view->isHiddenOrHasHiddenAncestor()) atk_state_set_add_state(set, ATK_STATE_SHOWING);
  Window* w = b->window();
  AccessibilityElement* focused = n->view->accessibilityFocused(b->nodeFor(n->view));
  bool isNode = dynamic_cast<ViewNode*>(n->element) != nullptr;
  if (!isNode || n->view->acceptsFirstResponder())
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
  if (w && w->isKeyWindow() && focused == n->element && (!isNode || w->firstResponder() == n->view))
    atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  return set;
}

static void vq_node_class_init(VqNodeClass* k) {
  AtkObjectClass* a = ATK_OBJECT_CLASS(k);
  a->get_name = vq_node_get_name;
  a->get_role = vq_node_get_role;
  a->get_n_children = vq_node_get_n_children;
  a->ref_child = vq_node_ref_child;
  a->get_index_in_parent = vq_node_get_index_in_parent;
  a->ref_state_set = vq_node_ref_state_set;
}

static void vq_node_init(VqNode*) {}

static void vq_node_get_extents(AtkComponent* c, gint* x, gint* y, gint* w, gint* h,
                                AtkCoordType type) {
  VqNode* n = reinterpret_cast<VqNode*>(c);
  *x = *y = *w = *h = -1;
  if (Bridge* b = liveBridge(n)) b->toAtk(n->view, n->element->accessibleFrame(), type, x, y, w, h);
}

static AtkObject* vq_node_ref_accessible_at_point(AtkComponent* c, gint x, gint y,
                                                  AtkCoordType type) {
  VqNode* n = reinterpret_cast<VqNode*>(c);
  Bridge* b = liveBridge(n);
  Point pw;
  if (!b || !b->fromAtk(x, y, type, pw)) return nullptr;
  AtkObject* hit = nullptr;
  if (dynamic_cast<ViewNode*>(n->element)) {
    hit = b->wrapHit(b->hitIn(n->view, pw));
  } else if (AccessibilityElement* e = n->element->hitTest(n->view->convertFromWindow(pw))) {
    hit = b->wrap(e, n->view, ATK_OBJECT(n));
  }
  return hit ? ATK_OBJECT(g_object_ref(hit)) : nullptr;
}

static void vq_node_component_init(AtkComponentIface* iface) {
  iface->get_extents = vq_node_get_extents;
  iface->ref_accessible_at_point = vq_node_ref_accessible_at_point;
}

// ---- The content area's object: its widgets, then the window's views ----------------------

static Bridge* bridgeOf(AtkObject* o) {
  return reinterpret_cast<VqContentAccessible*>(o)->bridge;
}

static void onContentDestroyed(GtkWidget*, gpointer o) {
  Bridge* b = bridgeOf(ATK_OBJECT(o));
  b->content = nullptr;
  b->release();
}

static void vq_content_accessible_initialize(AtkObject* o, gpointer data) {
  ATK_OBJECT_CLASS(vq_content_accessible_parent_class)->initialize(o, data);
  Bridge* b = bridgeOf(o);
  b->content = GTK_WIDGET(data);
  b->self = o;
  g_signal_connect(data, "destroy", G_CALLBACK(onContentDestroyed), o);
}

static gint widgetChildren(AtkObject* o) {
  return ATK_OBJECT_CLASS(vq_content_accessible_parent_class)->get_n_children(o);
}

static gint vq_content_accessible_get_n_children(AtkObject* o) {
  return widgetChildren(o) + static_cast<gint>(bridgeOf(o)->topElements().size());
}

static AtkObject* vq_content_accessible_ref_child(AtkObject* o, gint i) {
  gint widgets = widgetChildren(o);
  if (i < widgets) return ATK_OBJECT_CLASS(vq_content_accessible_parent_class)->ref_child(o, i);
  Bridge* b = bridgeOf(o);
  std::vector<AccessibilityElement*> top = b->topElements();
  size_t k = static_cast<size_t>(i - widgets);
  if (k >= top.size()) return nullptr;
  Window* w = b->window();
  return ATK_OBJECT(g_object_ref(b->wrap(top[k], w->contentView(), o)));
}

static void vq_content_accessible_finalize(GObject* o) {
  delete reinterpret_cast<VqContentAccessible*>(o)->bridge;
  G_OBJECT_CLASS(vq_content_accessible_parent_class)->finalize(o);
}

static void vq_content_accessible_class_init(VqContentAccessibleClass* k) {
  G_OBJECT_CLASS(k)->finalize = vq_content_accessible_finalize;
  AtkObjectClass* a = ATK_OBJECT_CLASS(k);
  a->initialize = vq_content_accessible_initialize;
  a->get_n_children = vq_content_accessible_get_n_children;
  a->ref_child = vq_content_accessible_ref_child;
}

static void vq_content_accessible_init(VqContentAccessible* self) {
  self->bridge = new Bridge;
}

static AtkObject* vq_content_accessible_ref_accessible_at_point(AtkComponent* c, gint x, gint y,
                                                                AtkCoordType type) {
  AtkObject* o = ATK_OBJECT(c);
  // Widgets lie above the views they sit on.
  for (gint i = 0, n = widgetChildren(o); i < n; ++i) {
    AtkObject* child = ATK_OBJECT_CLASS(vq_content_accessible_parent_class)->ref_child(o, i);
    if (child && ATK_IS_COMPONENT(child) &&
        atk_component_contains(ATK_COMPONENT(child), x, y, type))
      return child;
    if (child) g_object_unref(child);
  }
  Bridge* b = bridgeOf(o);
  Window* w = b->window();
  Point pw;
  if (!w || !w->contentView() || !Bridge::shown(w->contentView()) || !b->fromAtk(x, y, type, pw))
    return nullptr;
  AtkObject* hit = b->wrapHit(b->hitIn(w->contentView(), pw));
  return hit ? ATK_OBJECT(g_object_ref(hit)) : nullptr;
}

static void vq_content_accessible_component_init(AtkComponentIface* iface) {
  iface->ref_accessible_at_point = vq_content_accessible_ref_accessible_at_point;
}

static void vq_content_area_class_init(VqContentAreaClass* k) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(k), vq_content_accessible_get_type());
}

static void vq_content_area_init(VqContentArea*) {}

namespace vq::platform {

GtkWidget* newDesktopContentArea() {
  return GTK_WIDGET(g_object_new(vq_content_area_get_type(), nullptr));
}

void updateWindowAccessibility(Window& w, GtkWidget* gtkWindow) {
  AtkObject* a = gtk_widget_get_accessible(gtkWindow);
  if (!a) return;
  // The role GTK gave is kept, to come back when the window is no longer ignored.
  auto* own = static_cast<AtkRole*>(g_object_get_data(G_OBJECT(a), "vq-own-role"));
  if (!own) {
    own = g_new(AtkRole, 1);
    *own = atk_object_get_role(a);
    g_object_set_data_full(G_OBJECT(a), "vq-own-role", own, g_free);
  }
  // Assistive technology passes over a redundant object: ATK's word for an ignored one.
  AtkRole want = w.windowAccessibilityIgnored() ? ATK_ROLE_REDUNDANT_OBJECT : *own;
  if (atk_object_get_role(a) != want) atk_object_set_role(a, want);
}

}  // namespace vq::platform
