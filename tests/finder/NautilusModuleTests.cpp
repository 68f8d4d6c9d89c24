// Loads the built file-manager module the way Nautilus does, hands it stand-in file objects and
// chooses its menu items, with a fake application listening on the socket.
#include "platform/AppSocket.h"
#include "platform/Files.h"
#include "platform/Uuid.h"
#include "store/AppGroup.h"
#include "store/CommandRequest.h"
#include "tests/finder/FakeApplication.h"
#include "tests/platform/TemporaryFolder.h"

#include <gio/gio.h>
#include <gmodule.h>
extern "C" {
#include <nautilus-extension.h>
}

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// ---- A type module that Nautilus would load from the extension folder.

struct TestTypeModule
{
    GTypeModule parent;
};

struct TestTypeModuleClass
{
    GTypeModuleClass parentClass;
};

GType testTypeModuleType()
{
    static GType type = [] {
        static const GTypeInfo info = {
            sizeof(TestTypeModuleClass),
            nullptr,
            nullptr,
            [](gpointer typeClass, gpointer) {
                auto* moduleClass = G_TYPE_MODULE_CLASS(typeClass);
                // The shared object is opened by the test itself and stays loaded.
                moduleClass->load = [](GTypeModule*) -> gboolean { return TRUE; };
                moduleClass->unload = [](GTypeModule*) {};
            },
            nullptr,
            nullptr,
            sizeof(TestTypeModule),
            0,
            nullptr,
            nullptr,
        };
        return g_type_register_static(
            G_TYPE_TYPE_MODULE, "OlvTestTypeModule", &info, static_cast<GTypeFlags>(0));
    }();
    return type;
}

// ---- Stand-in file objects: a location and whether it is a folder.

struct StandInFile
{
    GObject parent;
    GFile* location;
    gboolean isDirectory;
};

struct StandInFileClass
{
    GObjectClass parentClass;
};

GType standInFileType()
{
    static GType type = [] {
        static const GTypeInfo info = {
            sizeof(StandInFileClass),
            nullptr,
            nullptr,
            [](gpointer typeClass, gpointer) {
                G_OBJECT_CLASS(typeClass)->finalize = [](GObject* object) {
                    g_clear_object(&reinterpret_cast<StandInFile*>(object)->location);
                    G_OBJECT_CLASS(g_type_class_peek(G_TYPE_OBJECT))->finalize(object);
                };
            },
            nullptr,
            nullptr,
            sizeof(StandInFile),
            0,
            nullptr,
            nullptr,
        };
        GType registered = g_type_register_static(
            G_TYPE_OBJECT, "OlvStandInFile", &info, static_cast<GTypeFlags>(0));
        static const GInterfaceInfo fileInfo = {
            [](gpointer interface, gpointer) {
                auto* file = static_cast<NautilusFileInfoInterface*>(interface);
                file->get_location = [](NautilusFileInfo* self) {
                    return G_FILE(g_object_ref(reinterpret_cast<StandInFile*>(self)->location));
                };
                file->is_directory = [](NautilusFileInfo* self) {
                    return reinterpret_cast<StandInFile*>(self)->isDirectory;
                };
                file->get_name = [](NautilusFileInfo* self) {
                    return g_file_get_basename(reinterpret_cast<StandInFile*>(self)->location);
                };
                file->get_uri = [](NautilusFileInfo* self) {
                    return g_file_get_uri(reinterpret_cast<StandInFile*>(self)->location);
                };
            },
            nullptr,
            nullptr,
        };
        g_type_add_interface_static(registered, NAUTILUS_TYPE_FILE_INFO, &fileInfo);
        return registered;
    }();
    return type;
}

NautilusFileInfo* standIn(GFile* location, bool isDirectory)
{
    auto* file = static_cast<StandInFile*>(g_object_new(standInFileType(), nullptr));
    file->location = location;
    file->isDirectory = isDirectory;
    return NAUTILUS_FILE_INFO(file);
}

NautilusFileInfo* localFile(const std::filesystem::path& path, bool isDirectory = false)
{
    return standIn(g_file_new_for_path(path.c_str()), isDirectory);
}

// ---- The module, loaded once for the whole test program.

GType providerType = G_TYPE_INVALID;

class NautilusModule : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        GModule* module = g_module_open(OLV_FINDER_MODULE, G_MODULE_BIND_LOCAL);
        ASSERT_NE(module, nullptr) << g_module_error();
        g_module_make_resident(module);
        void (*initialize)(GTypeModule*) = nullptr;
        void (*listTypes)(const GType**, int*) = nullptr;
        ASSERT_TRUE(g_module_symbol(
            module, "nautilus_module_initialize", reinterpret_cast<gpointer*>(&initialize)));
        ASSERT_TRUE(g_module_symbol(
            module, "nautilus_module_list_types", reinterpret_cast<gpointer*>(&listTypes)));
        auto* typeModule = G_TYPE_MODULE(g_object_new(testTypeModuleType(), nullptr));
        g_type_module_set_name(typeModule, "orlune-viewer-finder");
        ASSERT_TRUE(g_type_module_use(typeModule));
        initialize(typeModule);
        const GType* types = nullptr;
        int count = 0;
        listTypes(&types, &count);
        ASSERT_EQ(count, 1);
        providerType = types[0];
    }

    void SetUp() override
    {
        ASSERT_NE(providerType, G_TYPE_INVALID);
        ASSERT_TRUE(g_type_is_a(providerType, NAUTILUS_TYPE_MENU_PROVIDER));
        provider = NAUTILUS_MENU_PROVIDER(g_object_new(providerType, nullptr));
        // Each test gets its own container and runtime folder, as the user's session would.
        std::filesystem::create_directories(folder / "run");
        ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);
        ::setenv("LANGUAGE", "en", 1);
        application = std::make_unique<FakeApplication>(folder / "run" / "orlune-viewer.sock");
        ASSERT_TRUE(application->isListening());
    }

    void TearDown() override
    {
        application.reset();
        g_clear_object(&provider);
    }

    // The labels of the items, which are kept for choosing.
    std::vector<std::string> labels(GList* items)
    {
        std::vector<std::string> result;
        for (GList* node = items; node != nullptr; node = node->next) {
            char* label = nullptr;
            g_object_get(node->data, "label", &label, nullptr);
            result.emplace_back(label != nullptr ? label : "");
            g_free(label);
        }
        return result;
    }

    // Chooses the only item, then waits for the application to be handed the request URL and
    // reads the request it names.
    std::optional<EditorStore::CommandRequest> chooseAndReadRequest(GList* items)
    {
        EXPECT_EQ(g_list_length(items), 1u);
        if (items == nullptr)
            return std::nullopt;
        nautilus_menu_item_activate(NAUTILUS_MENU_ITEM(items->data));
        auto message = application->nextMessage();
        EXPECT_TRUE(message) << "the application was not woken";
        if (!message)
            return std::nullopt;
        auto handOver = Platform::AppSocket::decode(*message);
        EXPECT_TRUE(handOver);
        if (!handOver || handOver->arguments.size() != 1)
            return std::nullopt;
        const std::string prefix = "orlune-viewer://request?id=";
        const auto& url = handOver->arguments[0];
        EXPECT_EQ(url.substr(0, prefix.size()), prefix);
        auto id = Platform::Uuid::parse(url.substr(prefix.size()));
        EXPECT_TRUE(id);
        if (!id)
            return std::nullopt;
        EXPECT_EQ(url.substr(prefix.size()), id->text()); // upper case, as in the file name
        auto file = folder / "data" / std::string(EditorStore::appGroupIdentifier) / "Requests"
                    / (id->text() + ".json");
        auto bytes = Platform::readWholeFile(file);
        EXPECT_TRUE(bytes) << file;
        if (!bytes)
            return std::nullopt;
        return EditorStore::CommandRequest::decode(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }

    TemporaryFolder folder;
    NautilusMenuProvider* provider = nullptr;
    std::unique_ptr<FakeApplication> application;
};

struct FileList
{
    GList* list = nullptr;
    ~FileList() { nautilus_file_info_list_free(list); }
    void add(NautilusFileInfo* file) { list = g_list_append(list, file); }
};

struct ItemList
{
    GList* list = nullptr;
    ~ItemList() { g_list_free_full(list, g_object_unref); }
};

} // namespace

TEST_F(NautilusModule, aSelectionWithATextFileOpensOnlyItsTextFiles)
{
    FileList files;
    files.add(localFile(folder / "src", true));
    files.add(localFile(folder / "notes.txt"));
    files.add(localFile(folder / "logo.png"));
    files.add(localFile(folder / "Makefile"));

    ItemList items{nautilus_menu_provider_get_file_items(provider, files.list)};
    EXPECT_EQ(labels(items.list), std::vector<std::string>{"Open in Orlune Viewer"});
    auto request = chooseAndReadRequest(items.list);

    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, EditorStore::CommandRequest::Kind::openFiles);
    EXPECT_EQ(request->paths,
              (std::vector<std::string>{(folder / "notes.txt").string(),
                                        (folder / "Makefile").string()}));
    EXPECT_FALSE(request->wait);
    EXPECT_FALSE(request->line);
}

TEST_F(NautilusModule, choosingAnItemNeverWaitsForTheApplication)
{
    FileList files;
    files.add(localFile(folder / "notes.txt"));
    ItemList items{nautilus_menu_provider_get_file_items(provider, files.list)};
    ASSERT_EQ(g_list_length(items.list), 1u);

    // The application answers only once the item's activation has returned, so an activation
    // that waited for the answer would hold it up until the fake gives up.
    application->holdReplies();
    nautilus_menu_item_activate(NAUTILUS_MENU_ITEM(items.list->data));
    application->releaseReplies();

    EXPECT_TRUE(application->nextMessage());
    EXPECT_FALSE(application->aHeldReplyTimedOut());
}

TEST_F(NautilusModule, selectionsWithoutTextFilesGetNoItem)
{
    {
        SCOPED_TRACE("nothing selected");
        EXPECT_EQ(nautilus_menu_provider_get_file_items(provider, nullptr), nullptr);
    }
    {
        SCOPED_TRACE("only folders and an image");
        FileList files;
        files.add(localFile(folder / "src", true));
        files.add(localFile(folder / "old.txt", true));
        files.add(localFile(folder / "logo.png"));
        EXPECT_EQ(nautilus_menu_provider_get_file_items(provider, files.list), nullptr);
    }
    {
        SCOPED_TRACE("a text file without a local path");
        FileList files;
        files.add(standIn(g_file_new_for_uri("olvtest://server/notes.txt"), false));
        EXPECT_EQ(nautilus_menu_provider_get_file_items(provider, files.list), nullptr);
    }
}

TEST_F(NautilusModule, theBackgroundOffersANewFileInThatFolder)
{
    auto* current = localFile(folder / "Projects", true);
    ItemList items{nautilus_menu_provider_get_background_items(provider, current)};
    g_object_unref(current); // the item keeps what it needs

    EXPECT_EQ(labels(items.list), std::vector<std::string>{"New Text File"});
    auto request = chooseAndReadRequest(items.list);

    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, EditorStore::CommandRequest::Kind::newFile);
    EXPECT_EQ(request->paths, std::vector<std::string>{(folder / "Projects").string()});
    EXPECT_FALSE(request->wait);
}

TEST_F(NautilusModule, labelsFollowTheUsersLanguage)
{
    auto* current = localFile(folder.path(), true);
    ::setenv("LANGUAGE", "ja_JP:en", 1);
    ItemList japanese{nautilus_menu_provider_get_background_items(provider, current)};
    ::setenv("LANGUAGE", "ko", 1);
    ItemList korean{nautilus_menu_provider_get_background_items(provider, current)};
    g_object_unref(current);

    EXPECT_EQ(labels(japanese.list), std::vector<std::string>{"新規テキストファイル"});
    EXPECT_EQ(labels(korean.list), std::vector<std::string>{"새 파일 만들기"});
}
