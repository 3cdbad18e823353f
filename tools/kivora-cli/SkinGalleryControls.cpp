// The skinned controls in their states, offscreen, for the skin gallery.
#include "tools/kivora-cli/SkinGalleryControls.h"

#include "kivora/ui/CMsgDlg.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/CSkinDialog.h"
#include "kivora/ui/CSkinListCtrl.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiTextQt.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <vector>

namespace kivora::cli {

namespace {

using ui::SkinStyle;

struct Shot {
    QString name; // control-state
    QImage image;
};

// A control drawn over the skin's dialog background, as it would sit in a window.
QImage onBackground(QWidget& widget)
{
    const qreal ratio = 1.0;
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(ui::CSkinDialog::kBackground);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void hover(QWidget& widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget.mapToGlobal(QPointF(at)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &move);
}

void press(QWidget& widget, QPoint at)
{
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), widget.mapToGlobal(QPointF(at)), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &down);
}

void buttonShots(std::vector<Shot>& shots, const SkinStyle& st, QWidget& host)
{
    struct Face {
        const char* name;
        int strip;
        QSize frame; // design
        const char* caption;
    };
    const Face faces[] = {
        { "toolbar-play", 148, { 32, 32 }, nullptr },
        { "toolbar-zoom", 200, { 32, 32 }, nullptr },
        { "caption-close", 155, { 46, 18 }, nullptr },
        { "dialog-close", 352, { 13, 12 }, nullptr },
        { "captioned", 137, { 32, 32 }, "CSV" },
    };
    for (const Face& f : faces) {
        const QRect frame(0, 0, st.s(f.frame.width()), st.s(f.frame.height()));
        for (const char* state : { "normal", "hover", "pressed", "latched", "disabled" }) {
            ui::CSkinButton button(&host, 38000, frame, st);
            button.setImage(f.strip, frame);
            if (f.caption)
                button.setText(QString::fromUtf8(f.caption));
            const QString s = QString::fromLatin1(state);
            if (s == QLatin1String("hover"))
                hover(button, frame.center());
            else if (s == QLatin1String("pressed"))
                button.setDown(true);
            else if (s == QLatin1String("latched"))
                button.setLatched(true);
            else if (s == QLatin1String("disabled"))
                button.setEnabled(false);
            shots.push_back(
                { QStringLiteral("button-%1-%2").arg(QString::fromLatin1(f.name), s), onBackground(button) });
        }
    }
}

void checkShots(std::vector<Shot>& shots, const SkinStyle& st, QWidget& host)
{
    for (const char* state : { "off", "hover", "on", "disabled" }) {
        ui::CSkinCheckButton check(&host, 1004, QRect(0, 0, st.s(200), st.s(20)), st);
        check.setImage(217, QRect(0, 0, st.s(12), st.s(12)));
        check.setText(ui::uiQText(52));
        const QString s = QString::fromLatin1(state);
        if (s == QLatin1String("hover"))
            hover(check, check.boxRect().center());
        else if (s == QLatin1String("on"))
            check.setCheckMark(true);
        else if (s == QLatin1String("disabled"))
            check.setEnabled(false);
        shots.push_back({ QStringLiteral("check-%1").arg(s), onBackground(check) });
    }
}

void progressShots(std::vector<Shot>& shots, const SkinStyle& st)
{
    for (int position : { 0, 37, 100 }) {
        ui::CSkinProgressBarCtrl bar(nullptr, st);
        bar.resize(st.s(300), st.s(22));
        bar.setRange(0, 100);
        bar.setPos(position);
        shots.push_back({ QStringLiteral("progress-%1").arg(position), bar.grab().toImage() });
    }
}

void sliderShots(std::vector<Shot>& shots, const SkinStyle& st, QWidget& host)
{
    struct Kind {
        const char* name;
        int ids[4];
        int width; // design
        int height;
    };
    const Kind kinds[]
        = { { "position", { 174, 159, 160, 161 }, 400, 10 }, { "volume", { 167, 168, 169, 170 }, 100, 20 } };
    for (const Kind& k : kinds) {
        for (const char* state : { "start", "middle", "pressed", "end" }) {
            host.resize(st.s(k.width), st.s(k.height));
            ui::CSkinSliderCtrl slider(&host, 38100, st);
            slider.resize(st.s(k.width), st.s(k.height));
            slider.setImages(k.ids[0], k.ids[1], k.ids[2], k.ids[3]);
            slider.setRange(0, 99);
            const QString s = QString::fromLatin1(state);
            slider.setPos(s == QLatin1String("start") ? 0 : (s == QLatin1String("end") ? 99 : 40));
            if (s == QLatin1String("pressed"))
                press(slider, slider.thumbRect().center());
            shots.push_back({ QStringLiteral("slider-%1-%2").arg(QString::fromLatin1(k.name), s),
                slider.grab().toImage() });
            // The press was posted to the host; nothing handles it here.
            QCoreApplication::removePostedEvents(&host);
        }
    }
}

void dialogShots(std::vector<Shot>& shots, const SkinStyle& st)
{
    {
        ui::CSkinDialog dialog(nullptr, st);
        dialog.resize(st.s(452), st.s(120));
        dialog.setWindowTitle(ui::uiQText(151));
        dialog.setWindowIcon(ui::loadSkinIcon(171));
        dialog.setTitleStripVisible(true);
        shots.push_back({ QStringLiteral("dialog-title-strip"), dialog.grab().toImage() });
    }
    {
        ui::CSkinDialog dialog(nullptr, st);
        dialog.resize(st.s(300), st.s(120));
        shots.push_back({ QStringLiteral("dialog-plain"), dialog.grab().toImage() });
    }
    {
        ui::CMsgDlg box(ui::uiQText(91) + QLatin1Char('\n') + ui::uiQText(96), QStringLiteral("ERROR"),
            ui::CMsgDlg::OkOnly, nullptr, st);
        shots.push_back({ QStringLiteral("msgbox-ok"), box.grab().toImage() });
    }
    {
        ui::CMsgDlg box(ui::uiQText(90), ui::uiQText(104), ui::CMsgDlg::OkCancel, nullptr, st);
        shots.push_back({ QStringLiteral("msgbox-okcancel"), box.grab().toImage() });
    }
}

void listShots(std::vector<Shot>& shots, const SkinStyle& st)
{
    ui::CSkinListCtrl list(nullptr, st);
    list.setColumnCount(2);
    list.setHeaderLabels({ ui::uiQText(46), ui::uiQText(47) });
    list.setColumnWidth(0, st.s(270));
    list.setColumnWidth(1, st.s(120));
    list.resize(st.s(420), st.s(120));
    const char* names[]
        = { "2024_0315_081500_0001M.MOV", "2024_0315_081600_0002M.MOV", "2024_0315_081700_0003M.MOV" };
    for (int i = 0; i < 3; ++i)
        list.addRow({ QString::fromLatin1(names[i]), QStringLiteral("%1 MB").arg(120 + i) }, i + 1);
    shots.push_back({ QStringLiteral("list-states"), list.grab().toImage() });
}

QImage sheet(const std::vector<Shot>& shots, double scale)
{
    const int pad = static_cast<int>(10 * scale);
    const int label = static_cast<int>(14 * scale);
    int width = 0, height = pad;
    for (const Shot& s : shots) {
        width = std::max(width, s.image.width() + 2 * pad);
        height += s.image.height() + label + pad;
    }
    width = std::max(width, static_cast<int>(600 * scale));
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(0x0b, 0x0d, 0x10));
    QPainter p(&canvas);
    QFont f;
    f.setPixelSize(std::max(9, static_cast<int>(10 * scale)));
    p.setFont(f);
    int y = pad;
    for (const Shot& s : shots) {
        p.setPen(QColor(0x9a, 0xa2, 0xae));
        p.drawText(QRect(pad, y, width - 2 * pad, label), Qt::AlignLeft | Qt::AlignVCenter, s.name);
        y += label;
        p.drawImage(QPoint(pad, y), s.image);
        y += s.image.height() + pad;
    }
    return canvas;
}

} // namespace

int renderControlGallery(const QDir& out)
{
    int written = 0;
    for (double scale : { 1.0, 2.0 }) {
        const SkinStyle st = SkinStyle::forScale(scale);
        ui::CSkinDialog host(
            nullptr, st); // parent of the child controls (gives them the dialog palette); never shown
        host.resize(st.s(500), st.s(100));
        std::vector<Shot> shots;
        buttonShots(shots, st, host);
        checkShots(shots, st, host);
        progressShots(shots, st);
        sliderShots(shots, st, host);
        dialogShots(shots, st);
        listShots(shots, st);
        const QString suffix = QStringLiteral("-x%1.png").arg(scale, 0, 'f', 1);
        shots.push_back({ QStringLiteral("sheet"), sheet(shots, scale) });
        for (const Shot& s : shots) {
            const QString file = out.filePath(QStringLiteral("controls-") + s.name + suffix);
            if (!s.image.save(file, "PNG")) {
                std::fprintf(stderr, "skin-gallery: cannot write %s\n", qPrintable(file));
                return -1;
            }
            ++written;
        }
    }
    return written;
}

} // namespace kivora::cli
