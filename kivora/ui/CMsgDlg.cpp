#include "kivora/ui/CMsgDlg.h"

#include "kivora/ui/CSkinButton.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace kivora::ui {

namespace {

QString normalisedLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

QSize CMsgDlg::measureText(const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    int width = 0;
    int height = 0;
    for (const QString& line : normalisedLines(text).split(QLatin1Char('\n'))) {
        width = std::max(width, metrics.horizontalAdvance(line));
        height += metrics.height();
    }
    return { width, height };
}

CMsgDlg::Layout CMsgDlg::computeLayout(QSize measured, int kind, double uiScale)
{
    const auto s = [uiScale](double v) { return static_cast<int>(v * uiScale); };
    Layout l;
    l.textBox = QSize(static_cast<int>(measured.width() * uiScale) + 2 * s(40),
        static_cast<int>(measured.height() * uiScale) + 2 * s(30));
    l.dialog = QSize(l.textBox.width(), l.textBox.height() + s(60) + s(20));
    l.text = QRect(QPoint(s(40), s(30)), QPoint(l.textBox.width() - 1, l.textBox.height() - 1));
    if (kind != OkOnly && kind != OkCancel)
        return l;
    const QSize button(s(100), s(30));
    const QRect corner(
        QPoint(l.dialog.width() - s(15) - button.width(), l.dialog.height() - s(15) - button.height()),
        button);
    if (kind == OkOnly) {
        l.ok = corner;
    } else {
        l.cancel = corner;
        l.ok = corner.translated(-(button.width() + s(15)), 0);
    }
    l.buttonsPlaced = true;
    return l;
}

CMsgDlg::CMsgDlg(
    const QString& text, const QString& caption, int kind, QWidget* owner, const SkinStyle& style)
    : CSkinDialog(owner, style)
    , m_message(normalisedLines(text))
    , m_kind(kind)
    , m_owner(owner)
{
    setWindowTitle(caption);
    setFont(style.f10);

    m_text = new QLabel(m_message, this);
    m_text->setObjectName(QString::number(kTextId));
    m_text->setFont(style.f10);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Drawn transparently on the white part of the dialog.
    QPalette textPalette = m_text->palette();
    textPalette.setColor(QPalette::WindowText, Qt::black);
    m_text->setPalette(textPalette);

    // The texts of the dialog template; no text table slot holds them.
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    for (QPushButton* button : { m_ok, m_cancel }) {
        button->setFont(style.f10);
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    m_ok->setObjectName(QString::number(kOkId));
    m_cancel->setObjectName(QString::number(kCancelId));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_layout = computeLayout(measureText(m_message, style.f10), kind, style.uiScale);
    setFixedSize(m_layout.dialog);
    m_text->setGeometry(m_layout.text);
    if (m_layout.buttonsPlaced) {
        m_ok->setGeometry(m_layout.ok);
        if (kind == OkCancel)
            m_cancel->setGeometry(m_layout.cancel);
    }
    m_ok->show();
    m_cancel->setVisible(kind == OkCancel);
    placeCloseButton();

    // Centred over the owner's window, or the screen without one.
    QRect over;
    if (m_owner)
        over = m_owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->geometry();
    if (over.isValid())
        move(over.center() - QPoint(m_layout.dialog.width() / 2, m_layout.dialog.height() / 2));
}

void CMsgDlg::paintBackground(QPainter& painter)
{
    // White behind the text; the bottom strip with the buttons keeps the skin background.
    CSkinDialog::paintBackground(painter);
    painter.fillRect(QRect(0, 0, width(), height() - skinStyle().s(60)), Qt::white);
}

} // namespace kivora::ui
