#include "kivora/browse/CFolderTreeCtrl.h"

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/browse/TreeBadge.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>

namespace kivora::browse {

FolderNode::FolderNode(const QString& text)
    : QTreeWidgetItem(QStringList { text })
{
}

std::uint32_t FolderNode::flags() const
{
    return data(0, Qt::UserRole).toUInt();
}

void FolderNode::setFlags(std::uint32_t flags)
{
    setData(0, Qt::UserRole, flags);
}

int FolderNode::level() const
{
    int v = 0;
    for (const QTreeWidgetItem* p = parent(); p; p = p->parent())
        ++v;
    return v;
}

class CFolderTreeCtrl::RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(CFolderTreeCtrl* tree)
        : QStyledItemDelegate(tree)
        , m_tree(tree)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return { option.fontMetrics.horizontalAdvance(QStringLiteral("0000000000000")), m_tree->rowHeight() };
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        auto* node = static_cast<FolderNode*>(m_tree->itemFromIndex(index));
        if (!node)
            return;
        const double s = m_tree->uiScale();
        const int h = option.rect.height();
        const int v = node->level();
        // The view indents children itself; the row is drawn from the viewport's left edge.
        const QRect row(0, option.rect.top(), m_tree->viewport()->width(), h);
        const bool selected = option.state & QStyle::State_Selected;
        p->save();
        p->fillRect(row, selected ? QColor(0, 204, 255) : QColor(Qt::white));
        if (selected) {
            QPen pen(Qt::black, 1, Qt::DotLine);
            p->setPen(pen);
            p->drawRect(row.adjusted(0, 0, -1, -1));
        }
        // The positions count from where the control would put the item's icon; our rows start
        // at the viewport's edge, so they move right by that margin.
        const int margin = static_cast<int>(8 * s);
        const int textX = margin + (v + 1) * h - static_cast<int>(22 * s);
        if (node->flags() != 0 && v > 0) {
            const QImage& badge = m_tree->badge(node->flags());
            p->drawImage(QPoint(margin + (v + 1) * h - static_cast<int>(40 * s), row.top()), badge);
        }
        p->setFont(option.font);
        p->setPen(selected ? QColor(Qt::white) : QColor(Qt::black));
        // Centred: the row is the icon's height, which a large font's descenders would overrun.
        p->drawText(QRect(textX, row.top(), row.width() - textX, h),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, node->text(0));
        p->restore();
    }

private:
    CFolderTreeCtrl* m_tree;
};

CFolderTreeCtrl::CFolderTreeCtrl(QWidget* parent, IBrowserOwner* owner, double uiScale)
    : QTreeWidget(parent)
    , m_owner(owner)
    , m_uiScale(uiScale)
{
    setObjectName(QStringLiteral("CFolderTreeCtrl"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setIndentation(0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setItemDelegate(new RowDelegate(this));
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    connect(this, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentChanged(current); });
}

void CFolderTreeCtrl::setUiScale(double uiScale)
{
    m_uiScale = uiScale;
    m_badges.clear();
    doItemsLayout();
}

const QImage& CFolderTreeCtrl::badge(std::uint32_t flags) const
{
    auto it = m_badges.find(flags);
    if (it == m_badges.end())
        it = m_badges.emplace(flags, treeBadge(flags, m_uiScale)).first;
    return it->second;
}

std::filesystem::path CFolderTreeCtrl::FullPath(const QTreeWidgetItem* item) const
{
    if (!item)
        return {};
    std::vector<QString> texts;
    for (const QTreeWidgetItem* p = item; p; p = p->parent()) {
        if (p->text(0).isEmpty())
            return {};
        texts.push_back(p->text(0));
    }
    std::filesystem::path out = m_rootPath;
    for (auto it = texts.rbegin(); it != texts.rend(); ++it)
        out /= it->toStdString();
    return out;
}

void CFolderTreeCtrl::SelectFirstRoot()
{
    if (topLevelItemCount() > 0)
        selectFromNone(topLevelItem(0));
}

void CFolderTreeCtrl::selectFromNone(QTreeWidgetItem* item)
{
    if (!item)
        return;
    {
        const QSignalBlocker block(this);
        setCurrentItem(nullptr);
    }
    setCurrentItem(item);
}

void CFolderTreeCtrl::ExpandTo(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* p = item; p; p = p->parent())
        p->setExpanded(true);
}

void CFolderTreeCtrl::addNodes(FolderNode* parent, const NodeRecorder& recorder)
{
    const QSignalBlocker block(this);
    std::vector<FolderNode*> made;
    made.reserve(recorder.nodes().size());
    for (const auto& n : recorder.nodes()) {
        auto* node = new FolderNode(QString::fromStdString(n.text));
        node->setFlags(n.flags);
        QTreeWidgetItem* under = n.parent == recording::kRootNode
            ? static_cast<QTreeWidgetItem*>(parent)
            : made[static_cast<std::size_t>(n.parent - 1)];
        if (under)
            under->addChild(node);
        else
            addTopLevelItem(node);
        made.push_back(node);
    }
}

int CFolderTreeCtrl::itemCount() const
{
    int n = 0;
    for (QTreeWidgetItemIterator it(const_cast<CFolderTreeCtrl*>(this)); *it; ++it)
        ++n;
    return n;
}

void CFolderTreeCtrl::deleteAll()
{
    setCurrentItem(nullptr);
    clear();
}

void CFolderTreeCtrl::deleteChildren(QTreeWidgetItem* item)
{
    const QSignalBlocker block(this);
    qDeleteAll(item->takeChildren());
}

FolderNode* CFolderTreeCtrl::selectedNode() const
{
    return static_cast<FolderNode*>(currentItem());
}

FolderNode* CFolderTreeCtrl::itemAfter(FolderNode* item) const
{
    if (!item)
        return nullptr;
    QTreeWidgetItem* parent = item->parent();
    const int i = parent ? parent->indexOfChild(item) : indexOfTopLevelItem(item);
    QTreeWidgetItem* next = parent ? parent->child(i + 1) : topLevelItem(i + 1);
    return static_cast<FolderNode*>(next);
}

void CFolderTreeCtrl::selectNode(FolderNode* item)
{
    setCurrentItem(item);
}

void CFolderTreeCtrl::onCurrentChanged(QTreeWidgetItem* current)
{
    if (m_owner)
        m_owner->onFolderChanged(static_cast<FolderNode*>(current));
}

} // namespace kivora::browse
