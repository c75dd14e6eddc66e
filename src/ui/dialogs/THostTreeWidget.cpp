#include "ui/dialogs/THostTreeWidget.h"

#include <functional>

#include <QApplication>
#include <QCollator>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>
#include <QUrl>

#include "core/TFtpUrl.h"
#include "core/THost.h"

namespace {

constexpr int kDefaultPort = 21;

const QCollator& captionCollator()
{
    static const QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

int portOf(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port >= 1 && port <= 65535 ? port : kDefaultPort;
}

// The caption editor of the tree: hands the confirmed text to the tree instead
// of writing it into the model, so an empty caption can be refused.
class TCaptionDelegate final : public QStyledItemDelegate
{
public:
    using TCommit = std::function<void(const QModelIndex&, const QString&)>;

    TCaptionDelegate(QObject* parent, TCommit commit)
        : QStyledItemDelegate(parent)
        , m_commit(std::move(commit))
    {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            m_commit(index, edit->text());
    }

private:
    TCommit m_commit;
};

// The text of the Windows "UniformResourceLocator" format: ANSI, ended by a NUL.
QString urlFormatText(const QByteArray& data)
{
    QByteArray bytes = data;
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return QString::fromUtf8(bytes).trimmed();
}

// Whether `node` is `ancestor` or lies below it.
bool isWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor)
{
    for (; node; node = node->parent())
        if (node == ancestor)
            return true;
    return false;
}

} // namespace

// --- THostTreeItem ---------------------------------------------------------

THostTreeItem::THostTreeItem(const QString& caption, std::shared_ptr<THost> host)
    : QTreeWidgetItem(kType)
    , m_host(std::move(host))
    , m_node(*this)
{
    setText(0, caption);
}

bool THostTreeItem::isRoot() const
{
    return !parent() && treeWidget() &&
           treeWidget()->indexOfTopLevelItem(const_cast<THostTreeItem*>(this)) == 0;
}

bool THostTreeItem::operator<(const QTreeWidgetItem& other) const
{
    const auto* node = dynamic_cast<const THostTreeItem*>(&other);
    if (node && isHost() != node->isHost())
        return !isHost();
    return captionCollator().compare(text(0), other.text(0)) < 0;
}

THostTreeItem* THostTreeItem::fromNode(THostTree::Node* node)
{
    auto* own = dynamic_cast<TNode*>(node);
    return own ? &own->item() : nullptr;
}

QString THostTreeItem::TNode::caption() const
{
    return m_item.text(0);
}

THostTree::Node* THostTreeItem::TNode::child(int index) const
{
    THostTreeItem* item = m_item.childNode(index);
    return item ? &item->node() : nullptr;
}

// --- THostTreeWidget::TAdapter ----------------------------------------------

void THostTreeWidget::TAdapter::clear()
{
    m_tree.setDropTarget(nullptr);
    m_tree.clear();
}

THostTree::Node* THostTreeWidget::TAdapter::addNode(Node* parent, const QString& caption,
                                                    std::shared_ptr<THost> host)
{
    auto* item = new THostTreeItem(caption, std::move(host));
    if (THostTreeItem* parentItem = THostTreeItem::fromNode(parent))
        parentItem->addChild(item);
    else
        m_tree.addTopLevelItem(item);
    return &item->node();
}

THostTree::Node* THostTreeWidget::TAdapter::topLevelNode(int index) const
{
    auto* item = static_cast<THostTreeItem*>(m_tree.topLevelItem(index));
    return item ? &item->node() : nullptr;
}

// --- THostTreeWidget --------------------------------------------------------

THostTreeWidget::THostTreeWidget(QWidget* parent)
    : QTreeWidget(parent)
    , m_adapter(*this)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // Renaming starts from the Rename command (F2) or a click on the selected node.
    setEditTriggers(QAbstractItemView::SelectedClicked);

    const QStyle* st = style();
    m_hostIcon =
        QIcon::fromTheme(QStringLiteral("network-server"), st->standardIcon(QStyle::SP_DriveNetIcon));
    const QIcon closed =
        QIcon::fromTheme(QStringLiteral("folder"), st->standardIcon(QStyle::SP_DirClosedIcon));
    const QIcon open =
        QIcon::fromTheme(QStringLiteral("folder-open"), st->standardIcon(QStyle::SP_DirOpenIcon));
    for (const QSize& size : {QSize(16, 16), QSize(22, 22), QSize(32, 32)}) {
        m_groupIcon.addPixmap(closed.pixmap(size), QIcon::Normal);
        m_groupIcon.addPixmap(open.pixmap(size), QIcon::Selected);
    }

    auto* delegate = new TCaptionDelegate(this, [this](const QModelIndex& index, const QString& caption) {
        captionEdited(static_cast<THostTreeItem*>(itemFromIndex(index)), caption);
    });
    setItemDelegate(delegate);
    // Confirmed or cancelled, the edited node goes back to its sorted place.
    connect(
        delegate, &QAbstractItemDelegate::closeEditor, this, [this] { sortNodes(); }, Qt::QueuedConnection);
}

void THostTreeWidget::prepareFilled()
{
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        decorate(static_cast<THostTreeItem*>(*it));
    if (THostTreeItem* root = rootNode())
        root->setExpanded(true);
    sortNodes();
}

THostTreeItem* THostTreeWidget::rootNode() const
{
    return topLevelItemCount() > 0 ? static_cast<THostTreeItem*>(topLevelItem(0)) : nullptr;
}

THostTreeItem* THostTreeWidget::groupFor(THostTreeItem* selected) const
{
    THostTreeItem* group = selected;
    while (group && group->isHost())
        group = group->parentNode();
    return group ? group : rootNode();
}

THostTreeItem* THostTreeWidget::addGroup(THostTreeItem* parent, const QString& caption)
{
    if (!parent)
        parent = rootNode();
    if (!parent || parent->isHost())
        return nullptr;
    auto* item = new THostTreeItem(caption, nullptr);
    parent->addChild(item);
    decorate(item);
    parent->setExpanded(true);
    sortNodes();
    emit treeChanged();
    return item;
}

THostTreeItem* THostTreeWidget::addHost(THostTreeItem* parent, std::shared_ptr<THost> host)
{
    if (!parent)
        parent = rootNode();
    if (!parent || parent->isHost() || !host)
        return nullptr;
    const QString caption = host->CommonName;
    auto* item = new THostTreeItem(caption, std::move(host));
    parent->addChild(item);
    decorate(item);
    parent->setExpanded(true);
    sortNodes();
    emit treeChanged();
    return item;
}

THostTreeItem* THostTreeWidget::addHostFromURL(THostTreeItem* parent, const QString& text)
{
    const std::optional<TFtpUrl> url = TFtpUrl::parse(text);
    if (!url || url->Host.isEmpty())
        return nullptr;
    auto host = std::make_shared<THost>();
    host->CommonName = url->Host;
    host->Hostname = url->Host;
    host->Port = portOf(url->Port);
    host->Username = url->User;
    host->Password = url->Password;
    // An address without a user part is an anonymous login, as the host record
    // reads such an address; an empty user name could never log in.
    host->IsAnonymous = !url->HasUser;
    host->InitialRemoteDirectory = url->Path;
    host->Passive = true;
    THostTreeItem* item = addHost(parent, std::move(host));
    if (item)
        setCurrentItem(item);
    return item;
}

bool THostTreeWidget::removeNode(THostTreeItem* item)
{
    if (!item || item->isRoot() || item->treeWidget() != this)
        return false;
    if (isWithin(m_dropTarget, item))
        setDropTarget(nullptr);
    delete item;
    emit treeChanged();
    return true;
}

bool THostTreeWidget::rename(THostTreeItem* item)
{
    if (!item || item->isRoot())
        return false;
    scrollToItem(item);
    setCurrentItem(item);
    editItem(item, 0);
    return true;
}

void THostTreeWidget::captionEdited(THostTreeItem* item, const QString& caption)
{
    // An empty name would leave a node nobody can tell apart: keep the old one.
    if (!item || caption.trimmed().isEmpty() || caption == item->text(0))
        return;
    item->setText(0, caption);
    if (item->isHost())
        item->host()->CommonName = caption;
    emit treeChanged();
}

void THostTreeWidget::sortNodes()
{
    sortItems(0, Qt::AscendingOrder);
    if (QTreeWidgetItem* current = currentItem())
        scrollToItem(current);
}

int THostTreeWidget::absoluteIndex(const QTreeWidgetItem* item) const
{
    int index = 0;
    for (QTreeWidgetItemIterator it(const_cast<THostTreeWidget*>(this)); *it; ++it, ++index)
        if (*it == item)
            return index;
    return -1;
}

THostTreeItem* THostTreeWidget::nodeAtAbsoluteIndex(int index) const
{
    if (index < 0)
        return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<THostTreeWidget*>(this)); *it; ++it, --index)
        if (index == 0)
            return static_cast<THostTreeItem*>(*it);
    return nullptr;
}

QMimeData* THostTreeWidget::dragData(THostTreeItem* item) const
{
    if (!item || item->isRoot())
        return nullptr;
    auto* mime = new QMimeData;
    mime->setData(hostIndexFormat(), QByteArray::number(absoluteIndex(item)));
    if (item->isHost()) {
        const QString url = item->host()->GetURL();
        mime->setData(urlFormat(), url.toUtf8() + '\0');
        mime->setUrls({QUrl(url)});
    }
    return mime;
}

bool THostTreeWidget::acceptsDrop(const THostTreeItem* target, const QMimeData* mime, bool ownDrag) const
{
    if (!target || target->isHost() || !mime || target->treeWidget() != this)
        return false;
    if (ownDrag && mime->hasFormat(hostIndexFormat()))
        return true;
    return !urlTextOf(mime).isEmpty();
}

bool THostTreeWidget::dropOn(THostTreeItem* target, const QMimeData* mime, Qt::DropAction action,
                             bool ownDrag)
{
    const bool accepted = acceptsDrop(target, mime, ownDrag);
    setDropTarget(nullptr);
    if (!accepted)
        return false;

    if (ownDrag && mime->hasFormat(hostIndexFormat())) {
        bool ok = false;
        const int index = mime->data(hostIndexFormat()).trimmed().toInt(&ok);
        THostTreeItem* source = ok ? nodeAtAbsoluteIndex(index) : nullptr;
        if (!source || source->isRoot())
            return false;
        // Never into itself or below itself: the node would leave the tree.
        if (isWithin(target, source))
            return false;
        if (action == Qt::CopyAction) {
            copyNode(source, target);
        } else {
            if (source->parent() == target)
                return false; // already there; the order is the sort's
            const bool wasCurrent = isWithin(currentItem(), source);
            QTreeWidgetItem* current = currentItem();
            source->parent()->removeChild(source);
            target->addChild(source);
            if (wasCurrent)
                setCurrentItem(current);
        }
        target->setExpanded(true);
        sortNodes();
        emit treeChanged();
        return true;
    }

    THostTreeItem* item = addHostFromURL(target, urlTextOf(mime));
    return item != nullptr;
}

THostTreeItem* THostTreeWidget::copyNode(const THostTreeItem* source, THostTreeItem* target)
{
    std::shared_ptr<THost> host;
    if (source->isHost()) {
        host = std::make_shared<THost>();
        host->Assign(*source->host());
        host->NewHostID();
    }
    auto* copy = new THostTreeItem(source->text(0), host);
    // The children are read before the copy joins the tree, so a copy into the
    // source's own parent cannot meet itself.
    std::vector<const THostTreeItem*> children;
    for (int i = 0; i < source->childCount(); ++i)
        children.push_back(source->childNode(i));
    target->addChild(copy);
    decorate(copy);
    for (const THostTreeItem* child : children)
        copyNode(child, copy);
    return copy;
}

QString THostTreeWidget::urlTextOf(const QMimeData* mime)
{
    if (!mime)
        return {};
    QStringList candidates;
    if (mime->hasUrls())
        for (const QUrl& url : mime->urls())
            candidates << QString::fromUtf8(url.toEncoded());
    if (mime->hasFormat(urlFormat()))
        candidates << urlFormatText(mime->data(urlFormat()));
    if (mime->hasText())
        candidates << mime->text().trimmed();
    for (const QString& text : candidates)
        if (const std::optional<TFtpUrl> url = TFtpUrl::parse(text); url && !url->Host.isEmpty())
            return text;
    return {};
}

void THostTreeWidget::decorate(THostTreeItem* item) const
{
    if (!item)
        return;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (item->isRoot()) {
        flags |= Qt::ItemIsDropEnabled;
        item->setIcon(0, m_groupIcon);
    } else if (item->isHost()) {
        flags |= Qt::ItemIsDragEnabled | Qt::ItemIsEditable;
        item->setIcon(0, m_hostIcon);
    } else {
        flags |= Qt::ItemIsDragEnabled | Qt::ItemIsEditable | Qt::ItemIsDropEnabled;
        item->setIcon(0, m_groupIcon);
    }
    item->setFlags(flags);
}

THostTreeItem* THostTreeWidget::groupAt(const QPoint& position) const
{
    auto* item = static_cast<THostTreeItem*>(itemAt(position));
    return item && !item->isHost() ? item : nullptr;
}

void THostTreeWidget::setDropTarget(THostTreeItem* item)
{
    if (m_dropTarget == item)
        return;
    m_dropTarget = item;
    viewport()->update();
}

void THostTreeWidget::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions)
    THostTreeItem* item = currentNode();
    QMimeData* mime = dragData(item);
    if (!mime)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(item->icon(0).pixmap(16, 16));
    // The drop did the move itself; nothing is removed here afterwards.
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void THostTreeWidget::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* mime = event->mimeData();
    const bool own = event->source() == this;
    if ((own && mime->hasFormat(hostIndexFormat())) || !urlTextOf(mime).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void THostTreeWidget::dragMoveEvent(QDragMoveEvent* event)
{
    // The base class scrolls near the edges; whether the drop is taken is decided here.
    QTreeWidget::dragMoveEvent(event);
    THostTreeItem* target = groupAt(event->position().toPoint());
    if (acceptsDrop(target, event->mimeData(), event->source() == this)) {
        setDropTarget(target);
        event->acceptProposedAction();
    } else {
        setDropTarget(nullptr);
        event->ignore();
    }
}

void THostTreeWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTarget(nullptr);
    QTreeWidget::dragLeaveEvent(event);
}

void THostTreeWidget::dropEvent(QDropEvent* event)
{
    THostTreeItem* target = groupAt(event->position().toPoint());
    const Qt::DropAction action = event->dropAction();
    if (dropOn(target, event->mimeData(), action, event->source() == this)) {
        event->setDropAction(action);
        event->accept();
    } else {
        event->ignore();
    }
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

void THostTreeWidget::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (!m_dropTarget)
        return;
    QPainter painter(viewport());
    QPen pen(palette().color(QPalette::Highlight));
    pen.setWidth(2);
    painter.setPen(pen);
    painter.drawRect(visualItemRect(m_dropTarget).adjusted(1, 1, -1, -1));
}
