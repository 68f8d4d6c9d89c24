// The GNOME Files (Nautilus 43) module: a menu provider for selected items and for the
// background of a folder window. It translates Nautilus's objects into FinderSync's plain
// values; everything that touches the disk or the application runs on a thread of its own, so
// the file manager's interface never waits for it.
#include "finder/FinderSync.h"

#include <gio/gio.h>
// The entry points are declared without C linkage; GLib's headers, included first, keep
// theirs.
extern "C" {
#include <nautilus-extension.h>
}

#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace {

using OrluneViewerFinder::FinderSync;
using OrluneViewerFinder::MenuAction;
using OrluneViewerFinder::MenuItem;
using OrluneViewerFinder::MenuKind;
using OrluneViewerFinder::SelectedItem;

struct Provider
{
    GObject parent;
};

struct ProviderClass
{
    GObjectClass parentClass;
};

GType providerType = G_TYPE_INVALID;

constexpr const char* selectionKey = "orlune-viewer-selection";
constexpr const char* folderKey = "orlune-viewer-folder";

std::optional<std::string> localPath(NautilusFileInfo* info)
{
    GFile* location = nautilus_file_info_get_location(info);
    if (location == nullptr)
        return std::nullopt;
    char* path = g_file_get_path(location);
    g_object_unref(location);
    if (path == nullptr)
        return std::nullopt;
    std::string result(path);
    g_free(path);
    return result;
}

// Items without a local path (remote places without a mount point) cannot be handed over.
std::vector<SelectedItem> selectedItems(GList* files)
{
    std::vector<SelectedItem> items;
    for (GList* node = files; node != nullptr; node = node->next) {
        auto* info = static_cast<NautilusFileInfo*>(node->data);
        if (auto path = localPath(info))
            items.push_back({std::move(*path), nautilus_file_info_is_directory(info) != FALSE});
    }
    return items;
}

// Writing the request and waking the application may take seconds (the application may have
// to start), so they never run on the interface thread, unless no thread can be made.
void runDetached(std::function<void()> job)
{
    try {
        std::thread(job).detach();
    } catch (const std::system_error&) {
        job();
    }
}

// The item remembers what it was made for; the selection is read again when it is chosen.
void openInEditorActivated(NautilusMenuItem* item, gpointer)
{
    auto* files = static_cast<GList*>(g_object_get_data(G_OBJECT(item), selectionKey));
    runDetached([items = selectedItems(files)] { FinderSync().openInEditor(items); });
}

void newTextFileActivated(NautilusMenuItem* item, gpointer)
{
    auto* folder = static_cast<NautilusFileInfo*>(g_object_get_data(G_OBJECT(item), folderKey));
    std::optional<std::string> target;
    if (folder != nullptr)
        target = localPath(folder);
    runDetached([target = std::move(target)] { FinderSync().newTextFile(target); });
}

GList* menuFor(MenuKind kind, GList* files, NautilusFileInfo* folder)
{
    auto items = selectedItems(files);
    auto menu = OrluneViewerFinder::buildMenu(kind, items);
    if (!menu)
        return nullptr;
    // Nautilus shows no icons in its context menus, so the item has none.
    bool opens = menu->action == MenuAction::openInEditor;
    NautilusMenuItem* item = nautilus_menu_item_new(opens ? "OrluneViewerFinder::openInEditor"
                                                          : "OrluneViewerFinder::newTextFile",
                                                    menu->title.c_str(),
                                                    nullptr,
                                                    nullptr);
    if (opens) {
        g_object_set_data_full(G_OBJECT(item),
                               selectionKey,
                               nautilus_file_info_list_copy(files),
                               reinterpret_cast<GDestroyNotify>(nautilus_file_info_list_free));
        g_signal_connect(item, "activate", G_CALLBACK(openInEditorActivated), nullptr);
    } else {
        if (folder != nullptr)
            g_object_set_data_full(G_OBJECT(item), folderKey, g_object_ref(folder), g_object_unref);
        g_signal_connect(item, "activate", G_CALLBACK(newTextFileActivated), nullptr);
    }
    return g_list_append(nullptr, item);
}

GList* getFileItems(NautilusMenuProvider*, GList* files)
{
    return menuFor(MenuKind::contextualMenuForItems, files, nullptr);
}

GList* getBackgroundItems(NautilusMenuProvider*, NautilusFileInfo* currentFolder)
{
    return menuFor(MenuKind::contextualMenuForContainer, nullptr, currentFolder);
}

void menuProviderInit(gpointer interface, gpointer)
{
    auto* menuProvider = static_cast<NautilusMenuProviderInterface*>(interface);
    menuProvider->get_file_items = getFileItems;
    menuProvider->get_background_items = getBackgroundItems;
}

void registerProvider(GTypeModule* module)
{
    static const GTypeInfo info = {
        sizeof(ProviderClass),
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        sizeof(Provider),
        0,
        nullptr,
        nullptr,
    };
    providerType = g_type_module_register_type(
        module, G_TYPE_OBJECT, "OrluneViewerFinder", &info, static_cast<GTypeFlags>(0));
    static const GInterfaceInfo menuProviderInfo = {menuProviderInit, nullptr, nullptr};
    g_type_module_add_interface(
        module, providerType, NAUTILUS_TYPE_MENU_PROVIDER, &menuProviderInfo);
}

} // namespace

extern "C" {

G_MODULE_EXPORT void nautilus_module_initialize(GTypeModule* module)
{
    registerProvider(module);
}

G_MODULE_EXPORT void nautilus_module_shutdown(void) {}

G_MODULE_EXPORT void nautilus_module_list_types(const GType** types, int* numberOfTypes)
{
    *types = &providerType;
    *numberOfTypes = 1;
}

} // extern "C"
