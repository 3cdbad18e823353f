#include "kivora/browse/CFileSelectDlg.h"

#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/CSkinListCtrl.h"
#include "kivora/ui/UiTextQt.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace kivora::browse {

namespace {
constexpr int kCheckStripId = 217;
const QColor kMarkedText { 255, 0, 255 };
const QColor kMarkedBackground { 255, 255, 0 };
} // namespace

CFileSelectDlg::CFileSelectDlg(FileSelection::Mode mode, QWidget* parent, const ui::SkinStyle& style)
    : CFileSelectDlg(mode, FileSelection::Use::Save, parent, style)
{
}

CFileSelectDlg::CFileSelectDlg(
    FileSelection::Mode mode, FileSelection::Use use, QWidget* parent, const ui::SkinStyle& style)
    : ui::CSkinDialog(parent, style)
    , m_selection(mode, use)
{
    setObjectName(QStringLiteral("CFileSelectDlg"));
    setCloseButtonId(kCloseId);
    setFont(style.f10);
    const bool concat = mode == FileSelection::Concatenate;
    setWindowTitle(ui::uiQText(concat ? 40 : 43));

    m_list = new ui::CSkinListCtrl(this, style);
    m_list->setObjectName(QStringLiteral("fileSelectList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ ui::uiQText(46), ui::uiQText(47) });
    m_list->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_list->setColumnWidth(0, style.s(270));
    m_list->setColumnWidth(1, style.s(120));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setFont(style.f10);
    connect(m_list, &ui::CSkinListCtrl::itemStateChanged, this, &CFileSelectDlg::onStateChanged);

    auto makeCheck = [&](int id, int slot) {
        auto* b = new ui::CSkinCheckButton(this, id, {}, style);
        b->setImage(kCheckStripId, QRect(0, 0, style.s(12), style.s(12)));
        b->setText(ui::uiQText(slot));
        b->setFont(style.f10);
        connect(b, &QAbstractButton::clicked, this, [this, b] { onCheckButton(b); });
        return b;
    };
    m_showAll = makeCheck(kShowAllId, 52);
    m_tickAll = makeCheck(kTickAllId, 51);
    m_showAll->setVisible(!concat);

    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("fileSelectTotal"));
    m_total->setFont(style.f10);
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_ok = new QPushButton(ui::uiQText(concat ? 41 : 43), this);
    m_ok->setFont(style.f10);
    m_ok->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { pressOk(); });

    resize(style.s(520), style.s(500));
    if (const QScreen* screen = QGuiApplication::screenAt(pos()) ? QGuiApplication::screenAt(pos())
                                                                 : QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    placeControls();
    fillRows();
}

void CFileSelectDlg::setGivenEntries(const std::vector<recording::RecordingEntry>& entries)
{
    if (!m_selection.setGivenEntries(entries))
        ui::CMsgBox(this).show(ui::uiQText(FileSelection::kSlotTooManyEntries), QStringLiteral("ERROR"));
    fillRows();
}

bool CFileSelectDlg::setSourceEntries(const std::vector<recording::RecordingEntry>& entries)
{
    const bool whole = m_selection.setSourceEntries(entries);
    fillRows();
    return whole;
}

void CFileSelectDlg::resizeEvent(QResizeEvent* event)
{
    ui::CSkinDialog::resizeEvent(event);
    placeControls();
}

void CFileSelectDlg::placeControls()
{
    if (!m_list)
        return;
    const ui::SkinStyle& st = skinStyle();
    const int w = width();
    const int h = height();
    m_list->setGeometry(st.s(10), st.s(10) + st.s(20), w - st.s(20), h - st.s(140));
    m_showAll->setGeometry(st.s(20), h - st.s(70), st.s(200), st.s(20));
    m_tickAll->setGeometry(st.s(20), h - st.s(40), st.s(200), st.s(20));
    m_total->setGeometry(w - st.s(160), h - st.s(70), st.s(140), st.s(20));
    m_ok->setGeometry(w - st.s(130), h - st.s(40), st.s(120), st.s(30));
}

QString CFileSelectDlg::rowText(int row) const
{
    return QString::asprintf(
        "%llu MB", static_cast<unsigned long long>(m_selection.row(row).mainSize / 1048576));
}

void CFileSelectDlg::fillRows()
{
    m_selection.fillRows();
    m_syncing = true;
    m_list->clear();
    const bool concat = m_selection.mode() == FileSelection::Concatenate;
    for (int i = 0; i < m_selection.rowCount(); ++i) {
        const auto& e = m_selection.row(i);
        const int r = m_list->addRow({ QString::fromStdString(e.path.filename().string()), rowText(i) },
            m_selection.ticked(i) ? ui::CSkinListCtrl::Ticked : ui::CSkinListCtrl::Unticked);
        QTreeWidgetItem* item = m_list->topLevelItem(r);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        if (concat && e.marked == 1)
            for (int c = 0; c < 2; ++c) {
                item->setForeground(c, kMarkedText);
                item->setBackground(c, kMarkedBackground);
            }
    }
    m_syncing = false;
    updateTotals();
}

void CFileSelectDlg::updateTotals()
{
    const FileSelection::Totals t = m_selection.totals();
    m_total->setText(QString::asprintf("%llu MB", static_cast<unsigned long long>(t.megabytes)));
    QPalette p = m_total->palette();
    // Red over the limit; otherwise white, as black would vanish on the skin's dark background.
    p.setColor(QPalette::WindowText, t.tooBig ? QColor(255, 0, 0) : QColor(Qt::white));
    m_total->setPalette(p);
    m_ok->setEnabled(t.okEnabled);
}

void CFileSelectDlg::onStateChanged(int row, int oldState, int newState)
{
    if (m_syncing)
        return;
    const bool wasTicked = oldState == ui::CSkinListCtrl::Ticked;
    const bool isTicked = newState == ui::CSkinListCtrl::Ticked;
    if (wasTicked == isTicked)
        return; // hover only
    const std::vector<int> changed = m_selection.setTicked(row, isTicked);
    m_syncing = true;
    for (int r : changed)
        m_list->setItemState(
            r, m_selection.ticked(r) ? ui::CSkinListCtrl::Ticked : ui::CSkinListCtrl::Unticked);
    m_syncing = false;
    updateTotals();
}

void CFileSelectDlg::onCheckButton(ui::CSkinCheckButton* button)
{
    button->setCheckMark(!button->checkMark());
    m_selection.setShowAll(m_showAll->checkMark());
    m_selection.setTickAll(m_tickAll->checkMark());
    fillRows();
}

int CFileSelectDlg::pressOk()
{
    const int refusal = m_selection.okRefusal();
    if (refusal != 0) {
        ui::CMsgBox(this).show(ui::uiQText(refusal), QStringLiteral("ERROR"));
        return refusal;
    }
    if (!m_selection.totals().okEnabled)
        return -1;
    m_result = m_selection.tickedEntries();
    accept();
    return 0;
}

} // namespace kivora::browse
