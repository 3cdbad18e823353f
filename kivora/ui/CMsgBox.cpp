#include "kivora/ui/CMsgBox.h"

#include "kivora/ui/CMsgDlg.h"

namespace kivora::ui {

int CMsgBox::show(const QString& text, const QString& caption, int kind) const
{
    CMsgDlg dialog(text, caption, kind, m_owner);
    return dialog.exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

} // namespace kivora::ui
