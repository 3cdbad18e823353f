#pragma once

#include "kivora/ui/SkinStyle.h"

#include <QIcon>
#include <QTreeWidget>

#include <array>

namespace kivora::ui {

// A report list whose rows carry a state image: 1 unticked, 2 unticked under the mouse,
// 3 ticked (frames 0, 1 and 2 of the check-box strip 217 at int(12s)). The mouse moves the hover
// state; a click on a row toggles it between ticked and unticked. UI thread only.
class CSkinListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kStripId = 217;
    enum State { Unticked = 1, Hover = 2, Ticked = 3 };

    explicit CSkinListCtrl(QWidget* parent = nullptr, const SkinStyle& style = SkinStyle::current());

    // Appends a row with one text per column and state image 1; returns its index.
    int addRow(const QStringList& columns, int state = Unticked);
    int rowCount() const { return topLevelItemCount(); }

    // State image of a row (0 for a row that does not exist).
    int itemState(int row) const;
    // Sets a row's state image; emits itemStateChanged when it changes.
    void setItemState(int row, int state);

    // The row under the mouse as last seen, or -1.
    int hoverItem() const { return m_hover; }

    void setSkinStyle(const SkinStyle& style);

signals:
    void itemStateChanged(int row, int oldState, int newState);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void trackMouse(int row);
    void onClicked(QTreeWidgetItem* item);
    void makeIcons();

    SkinStyle m_style;
    int m_hover = -1;
    std::array<QIcon, 3> m_icons; // states 1, 2, 3
};

} // namespace kivora::ui
