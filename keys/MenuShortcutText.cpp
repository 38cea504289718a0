// wxGTK: the menu item's child is a GtkAccelLabel, whose accelerator can be
// set for display only (gtk_accel_label_set_accel, GTK 3.6). The GTK calls
// are looked up at run time from the already loaded toolkit, so the build
// needs no GTK headers.
#include "keys/MenuShortcutText.h"

#include "keys/KeyMapping.h"
#include "toolkit/ToolkitSymbols.h"

#include <wx/accel.h>
#include <wx/defs.h>
#include <wx/menu.h>
#include <wx/menuitem.h>

namespace tessaline::keys {

#ifdef __WXGTK__
namespace {

using GType = unsigned long;
using SetAccelFn = void (*)(void* label, unsigned keyval, unsigned mods);
using GetAccelFn = void (*)(void* label, unsigned* keyval, unsigned* mods);
using GetChildFn = void* (*)(void* bin);
using GetTypeFn = GType (*)();
using IsAFn = int (*)(void* instance, GType type);
struct GListNode
{
    void* data;
    GListNode* next;
    GListNode* prev;
};
using ListClosuresFn = GListNode* (*)(void* widget);
using GroupOfClosureFn = void* (*)(void* closure);
using DisconnectFn = int (*)(void* group, void* closure);
using ListFreeFn = void (*)(GListNode* list);
using SetClosureFn = void (*)(void* label, void* closure);

constexpr unsigned kGdkShiftMask = 1u << 0;
constexpr unsigned kGdkControlMask = 1u << 2;
constexpr unsigned kGdkAltMask = 1u << 3;  // GDK_MOD1_MASK

// Two groups of calls, each usable when all of its own are there: the
// label calls show and read a menu item's display-only shortcut, the
// binding calls list and remove its key bindings.
struct GtkCalls : toolkit::SymbolSet
{
    SetAccelFn setAccel = Find<SetAccelFn>("gtk_accel_label_set_accel");
    GetAccelFn getAccel = Find<GetAccelFn>("gtk_accel_label_get_accel");
    GetChildFn getChild = Find<GetChildFn>("gtk_bin_get_child");
    GetTypeFn accelLabelType = Find<GetTypeFn>("gtk_accel_label_get_type");
    IsAFn isA = Find<IsAFn>("g_type_check_instance_is_a");
    ListClosuresFn listClosures = Find<ListClosuresFn>("gtk_widget_list_accel_closures");
    GroupOfClosureFn groupOfClosure = Find<GroupOfClosureFn>("gtk_accel_group_from_accel_closure");
    DisconnectFn disconnect = Find<DisconnectFn>("gtk_accel_group_disconnect");
    ListFreeFn listFree = Find<ListFreeFn>("g_list_free");
    SetClosureFn setClosure = Find<SetClosureFn>("gtk_accel_label_set_accel_closure");

    bool CanShowLabels() const { return setAccel && getAccel && getChild && accelLabelType && isA; }
    bool CanListBindings() const { return listClosures && groupOfClosure && disconnect && listFree && setClosure; }
};

// The GtkAccelLabel of a menu item, or nullptr.
void* AccelLabelOf(const wxMenuItem* item)
{
    const GtkCalls& gtk = toolkit::Symbols<GtkCalls>();
    if (!gtk.CanShowLabels() || !item || !item->GetMenuItem())
        return nullptr;
    void* child = gtk.getChild(item->GetMenuItem());
    if (!child || !gtk.isA(child, gtk.accelLabelType()))
        return nullptr;
    return child;
}

}  // namespace

bool ShowShortcutText(wxMenuItem* item, const wxString& text)
{
    int keyCode = 0;
    int flags = 0;
    void* label = AccelLabelOf(item);
    if (!label || !ParseShortcutText(text, &keyCode, &flags))
        return false;
    unsigned mods = 0;
    if (flags & wxACCEL_CTRL)
        mods |= kGdkControlMask;
    if (flags & wxACCEL_SHIFT)
        mods |= kGdkShiftMask;
    if (flags & wxACCEL_ALT)
        mods |= kGdkAltMask;
    toolkit::Symbols<GtkCalls>().setAccel(label, GdkKeyvalFromWxKey(keyCode), mods);
    return true;
}

bool ShownShortcut(const wxMenuItem* item, int* keyCode, int* flags)
{
    void* label = AccelLabelOf(item);
    if (!label)
        return false;
    unsigned key = 0;
    unsigned mods = 0;
    toolkit::Symbols<GtkCalls>().getAccel(label, &key, &mods);
    *keyCode = key ? WxKeyFromGdkKeyval(key) : 0;
    *flags = ((mods & kGdkControlMask) ? wxACCEL_CTRL : 0) | ((mods & kGdkShiftMask) ? wxACCEL_SHIFT : 0) |
             ((mods & kGdkAltMask) ? wxACCEL_ALT : 0);
    return true;
}

void RemoveKeyBindings(wxMenuItem* item)
{
    const GtkCalls& gtk = toolkit::Symbols<GtkCalls>();
    if (!gtk.CanListBindings() || !item || !item->GetMenuItem())
        return;
    GListNode* closures = gtk.listClosures(item->GetMenuItem());
    for (GListNode* node = closures; node; node = node->next) {
        if (void* group = gtk.groupOfClosure(node->data))
            gtk.disconnect(group, node->data);
    }
    gtk.listFree(closures);
    // The label would otherwise show the removed binding as "-/-".
    if (void* label = AccelLabelOf(item))
        gtk.setClosure(label, nullptr);
}

int KeyBindingCount(const wxMenuItem* item)
{
    const GtkCalls& gtk = toolkit::Symbols<GtkCalls>();
    if (!gtk.CanListBindings() || !item || !item->GetMenuItem())
        return 0;
    GListNode* closures = gtk.listClosures(item->GetMenuItem());
    int count = 0;
    for (GListNode* node = closures; node; node = node->next)
        ++count;
    gtk.listFree(closures);
    return count;
}

#else  // other ports: the label's tab part shows the text (and binds the key
       // to the same command the accelerator table gives it)

bool ShowShortcutText(wxMenuItem* item, const wxString& text)
{
    item->SetItemLabel(item->GetItemLabel().BeforeFirst('\t') + '\t' + text);
    return true;
}

bool ShownShortcut(const wxMenuItem* item, int* keyCode, int* flags)
{
    *keyCode = 0;
    *flags = 0;
    wxString text = item->GetItemLabel().AfterFirst('\t');
    return text.empty() || ParseShortcutText(text, keyCode, flags);
}

void RemoveKeyBindings(wxMenuItem*) {}

int KeyBindingCount(const wxMenuItem*)
{
    return 0;
}

#endif

}  // namespace tessaline::keys
