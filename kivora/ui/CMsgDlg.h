#pragma once

#include "kivora/ui/CSkinDialog.h"

#include <QRect>
#include <QString>

class QLabel;
class QPushButton;

namespace kivora::ui {

// The white message dialog: the text on white, OK (and Cancel) in the skin strip at the bottom.
// Its size follows the text. Run it through CMsgBox. UI thread only.
class CMsgDlg : public CSkinDialog {
public:
    enum Kind { OkOnly = 0, OkCancel = 1 };
    static constexpr int kTextId = 1009;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    // Where everything goes, in dialog coordinates.
    struct Layout {
        QSize textBox;
        QSize dialog;
        QRect text; // control 1009
        QRect ok;
        QRect cancel; // empty unless kind 1
        bool buttonsPlaced = false;
    };

    // The text measured line by line at each "\n" (a "\r" before it is part of the line break):
    // the widest line and the sum of the line heights.
    static QSize measureText(const QString& text, const QFont& font);
    // Text box (int)(w × s) + 2·int(40s) by (int)(h × s) + 2·int(30s); the dialog as wide and
    // int(60s) + int(20s) higher; buttons int(100s) × int(30s), int(15s) in from the right and
    // bottom edges, OK left of Cancel for kind 1. Other kinds place no buttons.
    static Layout computeLayout(QSize measured, int kind, double uiScale);

    // owner: the window to centre over; the desktop when null.
    CMsgDlg(const QString& text, const QString& caption, int kind, QWidget* owner,
        const SkinStyle& style = SkinStyle::current());

    int kind() const { return m_kind; }
    const Layout& layout() const { return m_layout; }
    QLabel* textLabel() const { return m_text; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void paintBackground(QPainter& painter) override;

private:
    QString m_message;
    int m_kind;
    QWidget* m_owner; // not owned
    Layout m_layout;
    QLabel* m_text; // children, owned by Qt
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace kivora::ui
