#pragma once

#include <QString>

class QWidget;

namespace kivora::ui {

// The program's message box: every error (caption "ERROR") and every question goes through it.
// show() runs a CMsgDlg modally and returns kIdOk or kIdCancel. UI thread only.
class CMsgBox {
public:
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;

    // owner: the window the box is centred over and that is blocked while it runs; may be null.
    explicit CMsgBox(QWidget* owner = nullptr)
        : m_owner(owner)
    {
    }

    // kind 0: OK only; kind 1: OK and Cancel. The close button counts as Cancel.
    int show(const QString& text, const QString& caption, int kind = 0) const;

private:
    QWidget* m_owner; // not owned
};

} // namespace kivora::ui
