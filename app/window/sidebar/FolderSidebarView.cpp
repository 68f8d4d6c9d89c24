#include "app/window/sidebar/FolderSidebarView.h"

#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/Symbols.h"
#include "app/window/FileManagerReveal.h"
#include "app/window/sidebar/FolderSession.h"
#include "commands/CommandCatalog.h"
#include "store/FolderOperations.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <deque>
#include <set>

namespace EditorWindow {

namespace fs = std::filesystem;
using EditorStore::FolderEntry;
using EditorStore::FolderOperationError;
using EditorStore::HiddenItems;
namespace FolderOperations = EditorStore::FolderOperations;

namespace {

// A label whose text, when it is wider than the label, is drawn cut in the middle: the start
// and the end of a folder's name both stay readable. Its text stays the whole name.
class MiddleElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;

    QString shownText() const
    {
        const int width = contentsRect().width();
        return fontMetrics().elidedText(text(), Qt::ElideMiddle, width);
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.setFont(font());
        painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
    }
};

fs::path standardized(const fs::path& path)
{
    fs::path normal = path.lexically_normal();
    std::string text = normal.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

QString displayPath(const fs::path& path)
{
    QString text = QString::fromStdString(path.native());
    const QString home = QDir::homePath();
    if (text == home)
        return QStringLiteral("~");
    if (text.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + text.mid(home.size());
    return text;
}

// "/folder" for folders, the lower-cased extension for files.
QString iconKey(const FolderEntry& entry)
{
    if (entry.isFolder)
        return QStringLiteral("/folder");
    return QString::fromStdString(fs::path(entry.name).extension().string()).mid(1).toLower();
}

QIcon iconFor(const FolderEntry& entry)
{
    static std::map<QString, QIcon> cache;
    const QString key = iconKey(entry);
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    QMimeDatabase database;
    QMimeType type = entry.isFolder ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                                    : database.mimeTypeForFile(QStringLiteral("x.") + key,
                                                               QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(entry.isFolder ? QStyle::SP_DirIcon
                                                                  : QStyle::SP_FileIcon);
    cache.emplace(key, icon);
    return icon;
}

QIcon faded(const QIcon& icon)
{
    QPixmap source = icon.pixmap(16, 16);
    QPixmap result(source.size());
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setOpacity(0.55);
    painter.drawPixmap(0, 0, source);
    painter.end();
    return QIcon(result);
}

QString withName(std::string_view pattern, const std::string& name)
{
    QString text = EditorKit::localized(pattern);
    text.replace(QLatin1String("%@"), QString::fromStdString(name));
    return text;
}

QString failureText(const EditorStore::FolderOperationFailure& failure)
{
    if (const auto* error = std::get_if<FolderOperationError>(&failure)) {
        switch (error->kind) {
        case FolderOperationError::Kind::alreadyExists:
            return withName("「%@」 이(가) 이미 있어요.", error->name);
        case FolderOperationError::Kind::emptyName:
            return EditorKit::localized("이름이 비어 있어요.");
        case FolderOperationError::Kind::invalidName:
            return EditorKit::localized("이름에 / 나 : 는 쓸 수 없어요.");
        }
    }
    return QString::fromStdString(std::get<std::error_code>(failure).message());
}

} // namespace

// The outline's model over the sidebar's nodes.
class FolderTreeModel : public QAbstractItemModel
{
public:
    explicit FolderTreeModel(FolderSidebarView& view)
        : QAbstractItemModel(&view)
        , m_view(view)
    {}

    void reset()
    {
        beginResetModel();
        endResetModel();
    }

    const std::vector<std::shared_ptr<FolderNode>>* siblings(FolderNode* parent) const
    {
        if (!parent)
            return &m_view.m_rootNodes;
        if (!parent->entry.isFolder)
            return nullptr;
        return &m_view.childrenOf(*parent);
    }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override
    {
        if (column != 0 || row < 0)
            return {};
        const auto* list = siblings(m_view.nodeAt(parent));
        if (!list || row >= int(list->size()))
            return {};
        return createIndex(row, 0, (*list)[std::size_t(row)].get());
    }

    QModelIndex indexOf(FolderNode* node) const
    {
        if (!node)
            return {};
        const auto& list = node->parent ? *node->parent->children : m_view.m_rootNodes;
        for (std::size_t row = 0; row < list.size(); ++row) {
            if (list[row].get() == node)
                return createIndex(int(row), 0, node);
        }
        return {};
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        FolderNode* node = m_view.nodeAt(child);
        if (!node || !node->parent)
            return {};
        return indexOf(node->parent);
    }

    int rowCount(const QModelIndex& parent) const override
    {
        if (parent.column() > 0)
            return 0;
        const auto* list = siblings(m_view.nodeAt(parent));
        return list ? int(list->size()) : 0;
    }

    bool hasChildren(const QModelIndex& parent) const override
    {
        FolderNode* node = m_view.nodeAt(parent);
        return node ? node->entry.isFolder : !m_view.m_rootNodes.empty();
    }

    int columnCount(const QModelIndex&) const override { return 1; }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QAbstractItemModel::flags(index);
        if (FolderNode* node = m_view.nodeAt(index); node && node == m_view.m_renaming.get())
            flags |= Qt::ItemIsEditable;
        return flags;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        FolderNode* node = m_view.nodeAt(index);
        if (!node)
            return {};
        const FolderEntry& entry = node->entry;
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole:
            return QString::fromStdString(entry.name);
        case Qt::DecorationRole:
            return entry.isHidden ? faded(iconFor(entry)) : iconFor(entry);
        case Qt::ForegroundRole:
            if (entry.isHidden)
                return m_view.palette().brush(QPalette::PlaceholderText);
            return {};
        default:
            return {};
        }
    }

    bool setData(const QModelIndex&, const QVariant&, int) override { return false; }

private:
    FolderSidebarView& m_view;
};

// The in-place rename: the edited text goes to the sidebar, never into the model.
class FolderRenameDelegate : public QStyledItemDelegate
{
public:
    FolderRenameDelegate(FolderSidebarView& view)
        : QStyledItemDelegate(&view)
        , m_view(view)
    {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            m_view.m_pendingName = line->text();
    }

private:
    FolderSidebarView& m_view;
};

FolderSidebarView::FolderSidebarView(std::shared_ptr<FolderSession> session,
                                     std::shared_ptr<EditorKit::Presenter> presenter,
                                     Hooks hooks,
                                     QWidget* parent)
    : QWidget(parent)
    , m_session(std::move(session))
    , m_presenter(std::move(presenter))
    , m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("folderSidebar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 1, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 4, 6, 4);
    header->setSpacing(2);
    m_title = new MiddleElidedLabel(this);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(12);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    header->addWidget(m_title, 1);
    auto makeButton = [this, header](std::string_view symbol, const QString& tip) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setIcon(EditorKit::Symbols::icon(symbol, QPalette::ButtonText));
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        header->addWidget(button);
        return button;
    };
    m_newFile = makeButton("doc.badge.plus", EditorKit::localized("새 파일"));
    m_newFolder = makeButton("folder.badge.plus", EditorKit::localized("새 폴더"));
    QString hiddenTip = EditorKit::localized("숨김 파일 보기");
    if (auto command =
            EditorCommands::CommandCatalog::command(EditorCommands::CommandID{"view.hiddenFiles"});
        command && command->shortcut)
        hiddenTip += QStringLiteral("  ") + EditorKit::KeyMapping::shortcutText(*command->shortcut);
    m_hidden = makeButton("eye.slash", hiddenTip);
    m_hidden->setAccessibleName(EditorKit::localized("숨김 파일 보기"));
    m_hidden->setCheckable(true);
    layout->addLayout(header);

    m_model = new FolderTreeModel(*this);
    m_outline = new QTreeView(this);
    m_outline->setHeaderHidden(true);
    m_outline->setModel(m_model);
    m_outline->setItemDelegate(new FolderRenameDelegate(*this));
    m_outline->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outline->setExpandsOnDoubleClick(false);
    m_outline->setSelectionMode(QAbstractItemView::SingleSelection);
    m_outline->setIconSize(QSize(16, 16));
    m_outline->setTextElideMode(Qt::ElideMiddle);
    m_outline->setFrameShape(QFrame::NoFrame);
    m_outline->setDragEnabled(false);
    m_outline->setAcceptDrops(false);
    m_outline->setContextMenuPolicy(Qt::CustomContextMenu);
    m_outline->installEventFilter(this);
    layout->addWidget(m_outline, 1);

    connect(m_newFile, &QToolButton::clicked, this, [this] { createItem(false, selectedNode()); });
    connect(m_newFolder, &QToolButton::clicked, this, [this] { createItem(true, selectedNode()); });
    connect(m_hidden, &QToolButton::clicked, this, [this] { toggleHidden(); });
    connect(m_outline, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        FolderNode* node = nodeAt(index);
        if (!isRenaming() && node && !node->entry.isFolder && m_hooks.openFile)
            m_hooks.openFile(node->entry.url);
    });
    connect(m_outline, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        FolderNode* node = nodeAt(index);
        if (node && node->entry.isFolder)
            openNode(node);
    });
    connect(m_outline, &QTreeView::expanded, this, &FolderSidebarView::itemExpanded);
    connect(m_outline, &QTreeView::collapsed, this, &FolderSidebarView::itemCollapsed);
    connect(
        m_outline, &QWidget::customContextMenuRequested, this, &FolderSidebarView::showContextMenu);
    connect(m_outline->itemDelegate(),
            &QAbstractItemDelegate::closeEditor,
            this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (!isRenaming())
                    return;
                const bool commit = hint != QAbstractItemDelegate::RevertModelCache;
                finishRename(commit, m_pendingName);
            });
    connect(m_session.get(),
            &FolderSession::contentsDidChange,
            this,
            &FolderSidebarView::contentsDidChange);

    resize(int(m_session->width()), 400);
    reload();
}

FolderSidebarView::~FolderSidebarView() = default;

FolderNode* FolderSidebarView::nodeAt(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<FolderNode*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderSidebarView::indexOf(FolderNode* node) const
{
    return m_model->indexOf(node);
}

FolderNode* FolderSidebarView::selectedNode() const
{
    const QModelIndexList rows = m_outline->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : nodeAt(rows.front());
}

std::vector<std::shared_ptr<FolderNode>> FolderSidebarView::listFolder(const fs::path& folder,
                                                                       FolderNode* parent) const
{
    std::vector<std::shared_ptr<FolderNode>> nodes;
    auto listed = EditorStore::FolderListing::list(
        folder, m_session->showsHidden() ? HiddenItems::shown : HiddenItems::leftOut);
    if (!listed)
        return nodes;
    for (const FolderEntry& entry : *listed)
        nodes.push_back(std::make_shared<FolderNode>(FolderNode{entry, std::nullopt, parent}));
    return nodes;
}

std::vector<std::shared_ptr<FolderNode>>& FolderSidebarView::childrenOf(FolderNode& node)
{
    if (!node.children) {
        node.children = listFolder(node.entry.url, &node);
        // The node is owned by its parent's list or the top level.
        const auto& list = node.parent ? *node.parent->children : m_rootNodes;
        for (const auto& owner : list) {
            if (owner.get() == &node)
                m_loaded[standardized(node.entry.url).native()] = owner;
        }
    }
    return *node.children;
}

bool FolderSidebarView::isLoaded(const fs::path& folder) const
{
    auto found = m_loaded.find(standardized(folder).native());
    return found != m_loaded.end() && !found->second.expired();
}

FolderNode* FolderSidebarView::findIn(const std::vector<std::shared_ptr<FolderNode>>& nodes,
                                      const fs::path& path) const
{
    for (const auto& node : nodes) {
        if (standardized(node->entry.url) == path)
            return node.get();
    }
    return nullptr;
}

FolderNode* FolderSidebarView::nodeForPath(const fs::path& path) const
{
    const fs::path wanted = standardized(path);
    const fs::path parent = wanted.parent_path();
    if (parent == m_session->root())
        return findIn(m_rootNodes, wanted);
    auto found = m_loaded.find(parent.native());
    if (found == m_loaded.end())
        return nullptr;
    auto node = found->second.lock();
    return node && node->children ? findIn(*node->children, wanted) : nullptr;
}

void FolderSidebarView::resetOutline()
{
    const FolderNode* selected = selectedNode();
    const std::optional<fs::path> selectedPath =
        selected ? std::optional<fs::path>(selected->entry.url) : std::nullopt;
    m_model->reset();
    reapplyExpansion(m_rootNodes);
    if (selectedPath) {
        if (FolderNode* node = nodeForPath(*selectedPath)) {
            QModelIndex index = indexOf(node);
            if (index.isValid())
                m_outline->selectionModel()->select(
                    index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
}

void FolderSidebarView::reload()
{
    m_loaded.clear();
    m_rootNodes = listFolder(m_session->root(), nullptr);
    updateTitle(false);
    m_model->reset();
    reapplyExpansion(m_rootNodes);
    updateHiddenButton();
    if (m_hooks.currentFile)
        revealFile(m_hooks.currentFile());
}

void FolderSidebarView::refresh(FolderNode* node)
{
    std::vector<std::shared_ptr<FolderNode>> empty;
    std::vector<std::shared_ptr<FolderNode>>& old =
        node ? (node->children ? *node->children : empty) : m_rootNodes;
    std::map<fs::path, std::shared_ptr<FolderNode>> byPath;
    for (const auto& kept : old)
        byPath[kept->entry.url] = kept;
    auto fresh = listFolder(node ? node->entry.url : m_session->root(), node);
    for (auto& item : fresh) {
        auto found = byPath.find(item->entry.url);
        if (found != byPath.end() && found->second->entry.isFolder == item->entry.isFolder) {
            found->second->entry = item->entry;
            item = found->second;
        }
    }
    if (node) {
        node->children = std::move(fresh);
        const auto& list = node->parent ? *node->parent->children : m_rootNodes;
        for (const auto& owner : list) {
            if (owner.get() == node)
                m_loaded[standardized(node->entry.url).native()] = owner;
        }
    } else {
        m_rootNodes = std::move(fresh);
    }
    resetOutline();
}

void FolderSidebarView::reapplyExpansion(const std::vector<std::shared_ptr<FolderNode>>& nodes)
{
    m_restoringExpansion = true;
    std::deque<FolderNode*> queue;
    for (const auto& node : nodes)
        queue.push_back(node.get());
    while (!queue.empty()) {
        FolderNode* node = queue.front();
        queue.pop_front();
        if (!node->entry.isFolder)
            continue;
        auto relative = m_session->relativePath(node->entry.url);
        if (!relative || !m_session->expanded().contains(*relative))
            continue;
        for (const auto& child : childrenOf(*node))
            queue.push_back(child.get());
        m_outline->expand(indexOf(node));
    }
    m_restoringExpansion = false;
}

void FolderSidebarView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Folders expanded here but collapsed in another tab since; only what is loaded is open.
    m_restoringExpansion = true;
    std::deque<FolderNode*> queue;
    for (const auto& node : m_rootNodes)
        queue.push_back(node.get());
    while (!queue.empty()) {
        FolderNode* node = queue.front();
        queue.pop_front();
        if (!node->entry.isFolder || !node->children)
            continue;
        auto relative = m_session->relativePath(node->entry.url);
        if (relative && !relative->empty() && !m_session->expanded().contains(*relative)
            && m_outline->isExpanded(indexOf(node)))
            m_outline->collapse(indexOf(node));
        for (const auto& child : *node->children)
            queue.push_back(child.get());
    }
    m_restoringExpansion = false;
    reapplyExpansion(m_rootNodes);
}

void FolderSidebarView::itemExpanded(const QModelIndex& index)
{
    FolderNode* node = nodeAt(index);
    if (m_restoringExpansion || !node)
        return;
    if (auto relative = m_session->relativePath(node->entry.url); relative && !relative->empty())
        m_session->setExpanded(*relative, true);
    reapplyExpansion(childrenOf(*node));
}

void FolderSidebarView::itemCollapsed(const QModelIndex& index)
{
    FolderNode* node = nodeAt(index);
    if (m_restoringExpansion || !node)
        return;
    if (auto relative = m_session->relativePath(node->entry.url); relative && !relative->empty())
        m_session->setExpanded(*relative, false);
}

void FolderSidebarView::contentsDidChange(const std::optional<QStringList>& paths)
{
    if (isRenaming()) {
        m_changedWhileRenaming = true;
        return;
    }
    if (!paths) {
        reload();
        return;
    }
    const std::string root = m_session->root().native();
    std::set<std::string> folders;
    for (QString path : *paths) {
        if (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        const std::string folder = standardized(path.toStdString()).native();
        if (folder != root && folder.starts_with(root + "/"))
            folders.insert(folder);
        else
            folders.insert(root);
    }
    if (folders.contains(root)) {
        std::error_code error;
        if (!fs::exists(m_session->root(), error)) {
            m_rootNodes.clear();
            m_loaded.clear();
            m_model->reset();
            updateTitle(true);
            return;
        }
        updateTitle(false);
        refresh(nullptr);
    }
    for (const std::string& folder : folders) {
        if (folder == root)
            continue;
        auto found = m_loaded.find(folder);
        if (found == m_loaded.end())
            continue;
        if (auto node = found->second.lock())
            refresh(node.get());
    }
}

void FolderSidebarView::updateTitle(bool vanished)
{
    QString name = QString::fromStdString(m_session->root().filename().string());
    if (name.isEmpty())
        name = QString::fromStdString(m_session->root().native());
    if (vanished)
        name += QStringLiteral(" — ") + EditorKit::localized("폴더가 없어졌어요");
    m_title->setText(name);
    m_title->setToolTip(displayPath(m_session->root()));
}

QString FolderSidebarView::shownTitle() const
{
    return static_cast<const MiddleElidedLabel*>(m_title)->shownText();
}

void FolderSidebarView::updateHiddenButton()
{
    const bool on = m_session->showsHidden();
    m_hidden->setChecked(on);
    m_hidden->setIcon(EditorKit::Symbols::icon(on ? "eye" : "eye.slash",
                                               on ? QPalette::Highlight : QPalette::ButtonText));
}

void FolderSidebarView::revealFile(const std::optional<fs::path>& file)
{
    if (!file || isRenaming())
        return;
    const fs::path wanted = standardized(*file);
    FolderNode* node = nodeForPath(wanted);
    if (!node) {
        m_outline->clearSelection();
        return;
    }
    const QModelIndex index = indexOf(node);
    // A row inside a collapsed folder keeps the selection as it is.
    if (!index.isValid() || (index.parent().isValid() && !m_outline->isExpanded(index.parent())))
        return;
    m_outline->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_outline->setCurrentIndex(index);
    m_outline->scrollTo(index);
}

void FolderSidebarView::openNode(FolderNode* node)
{
    if (!node)
        return;
    if (!node->entry.isFolder) {
        if (m_hooks.openFile)
            m_hooks.openFile(node->entry.url);
        return;
    }
    const QModelIndex index = indexOf(node);
    m_outline->setExpanded(index, !m_outline->isExpanded(index));
}

bool FolderSidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_outline && event->type() == QEvent::KeyPress && !isRenaming()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            openNode(selectedNode());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QMenu* FolderSidebarView::makeContextMenu(FolderNode* clicked)
{
    auto* menu = new QMenu(this);
    auto add = [menu](std::string_view title, auto slot) {
        QAction* action = menu->addAction(EditorKit::localized(title));
        QObject::connect(action, &QAction::triggered, menu, slot);
        return action;
    };
    std::shared_ptr<FolderNode> held;
    if (clicked) {
        add(clicked->entry.isFolder ? "펼치기 · 접기" : "열기",
            [this, clicked] { openNode(clicked); });
        add("Finder에서 보기", [this, clicked] { revealInFileManager(clicked); });
        add("경로 복사", [this, clicked] { copyPath(clicked); });
        menu->addSeparator();
    }
    add("새 파일", [this, clicked] { createItem(false, clicked); });
    add("새 폴더", [this, clicked] { createItem(true, clicked); });
    if (clicked) {
        menu->addSeparator();
        add("이름 바꾸기", [this, clicked] { beginRename(clicked, false); });
        add("휴지통으로 옮기기…", [this, clicked] { trashItem(clicked); });
    }
    menu->addSeparator();
    QAction* hidden = add("숨김 파일 보기", [this] { toggleHidden(); });
    hidden->setCheckable(true);
    hidden->setChecked(m_session->showsHidden());
    return menu;
}

void FolderSidebarView::showContextMenu(const QPoint& position)
{
    const QModelIndex index = m_outline->indexAt(position);
    FolderNode* clicked = nodeAt(index);
    if (index.isValid() && !m_outline->selectionModel()->isRowSelected(index.row(), index.parent()))
        m_outline->selectionModel()->select(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QMenu* menu = makeContextMenu(clicked);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_outline->viewport()->mapToGlobal(position));
}

void FolderSidebarView::revealInFileManager(FolderNode* node)
{
    if (!node)
        return;
    if (m_hooks.revealInFileManager)
        m_hooks.revealInFileManager(node->entry.url);
    else
        EditorWindow::revealInFileManager(node->entry.url);
}

void FolderSidebarView::copyPath(FolderNode* node)
{
    if (!node)
        return;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(node->entry.url.native()));
}

void FolderSidebarView::toggleHidden()
{
    m_session->setShowsHidden(!m_session->showsHidden());
}

void FolderSidebarView::createItem(bool folder, FolderNode* row)
{
    fs::path target = m_session->root();
    FolderNode* holder = nullptr;
    if (row && row->entry.isFolder) {
        target = row->entry.url;
        holder = row;
    } else if (row) {
        target = row->entry.url.parent_path();
        holder = row->parent;
    }
    // The new item is named in the interface's language, as its menu item is.
    const std::string name =
        EditorKit::localized(folder ? "새 폴더" : "새 파일").toStdString();
    auto made = folder ? FolderOperations::createFolder(target, name)
                       : FolderOperations::createFile(target, name, "txt");
    if (!made) {
        showError(QString::fromStdString(made.error().message()));
        return;
    }
    const fs::path created = standardized(*made);
    if (holder) {
        refresh(holder);
        m_outline->expand(indexOf(holder));
    } else {
        refresh(nullptr);
    }
    const auto& list = holder && holder->children ? *holder->children : m_rootNodes;
    if (FolderNode* node = findIn(list, created))
        beginRename(node, !folder);
}

void FolderSidebarView::beginRename(FolderNode* node, bool openAfterRename)
{
    const QModelIndex index = indexOf(node);
    if (!index.isValid())
        return;
    // The node stays alive for the rename even when a refresh replaces it.
    const auto& list = node->parent ? *node->parent->children : m_rootNodes;
    for (const auto& owner : list) {
        if (owner.get() == node)
            m_renaming = owner;
    }
    m_openAfterRename = openAfterRename;
    m_pendingName = QString::fromStdString(node->entry.name);
    m_outline->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_outline->setCurrentIndex(index);
    m_outline->scrollTo(index);
    m_outline->edit(index);
    if (auto* line = qobject_cast<QLineEdit*>(m_outline->indexWidget(index))) {
        const QString name = line->text();
        const QString extension =
            QString::fromStdString(fs::path(node->entry.name).extension().string());
        const bool hasExtension =
            !node->entry.isFolder && extension.size() > 1 && extension.size() < name.size();
        line->setSelection(0,
                           hasExtension ? int(name.size() - extension.size()) : int(name.size()));
    }
}

void FolderSidebarView::finishRename(bool commit, const QString& newName)
{
    std::shared_ptr<FolderNode> node = std::move(m_renaming);
    m_renaming.reset();
    if (!node)
        return;
    m_outline->setFocus();
    fs::path url = node->entry.url;
    // The rename trims the name: an untrimmed copy of the old name is no change either.
    if (commit && newName.trimmed().toStdString() != node->entry.name) {
        auto renamed = FolderOperations::rename(url, newName.toStdString());
        if (!renamed) {
            m_model->reset();
            showError(failureText(renamed.error()));
            if (m_changedWhileRenaming) {
                m_changedWhileRenaming = false;
                reload();
            } else {
                resetOutline();
            }
            return;
        }
        url = *renamed;
    }
    if (m_changedWhileRenaming) {
        m_changedWhileRenaming = false;
        reload();
    } else {
        refresh(node->parent);
    }
    if (m_openAfterRename && !node->entry.isFolder && m_hooks.openFile)
        m_hooks.openFile(url);
    revealFile(url);
}

void FolderSidebarView::trashItem(FolderNode* node)
{
    if (!node || !m_presenter)
        return;
    const fs::path item = standardized(node->entry.url);
    QString informative = EditorKit::localized("휴지통에서 되살릴 수 있어요.");
    if (m_hooks.openDocumentFiles) {
        for (const fs::path& file : m_hooks.openDocumentFiles()) {
            const std::string path = standardized(file).native();
            if (path == item.native() || path.starts_with(item.native() + "/")) {
                informative += QLatin1Char(' ')
                               + EditorKit::localized("열어 둔 탭의 내용은 탭에 그대로 남아요.");
                break;
            }
        }
    }
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = withName("「%@」 을(를) 휴지통으로 옮길까요?", node->entry.name);
    alert.informativeText = informative;
    alert.buttons = {EditorKit::localized("휴지통으로"), EditorKit::localized("취소")};
    alert.cancelButton = 1;
    alert.destructiveButton = 0;
    QPointer<FolderSidebarView> self(this);
    FolderNode* parent = node->parent;
    const bool parentIsTop = parent == nullptr;
    const fs::path parentPath = parent ? parent->entry.url : fs::path();
    if (m_presenter->runAlert(alert, window()) != 0 || !self)
        return;
    auto trashed = FolderOperations::trash(item);
    if (!trashed) {
        showError(QString::fromStdString(trashed.error().message()));
        return;
    }
    refresh(parentIsTop ? nullptr : nodeForPath(parentPath));
}

void FolderSidebarView::showError(const QString& message)
{
    if (!m_presenter)
        return;
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = message;
    alert.buttons = {EditorKit::localized("확인")};
    alert.cancelButton = 0;
    m_presenter->runAlert(alert, window());
}

} // namespace EditorWindow
