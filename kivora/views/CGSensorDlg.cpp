#include "kivora/views/CGSensorDlg.h"

#include "kivora/platform/PostMessage.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/SkinStyle.h"
#include "kivora/views/ViewMessages.h"

#include <QMouseEvent>
#include <QPainter>

namespace kivora::views {

namespace {

constexpr int kSteeringMarkId = 176;
constexpr int kHeightSourceId = 162; // every range picture has its height; the plot uses it
const QColor kBandColor(170, 0, 0);
constexpr double kBandOpacity = 127.0 / 255.0;

} // namespace

CGSensorDlg::CGSensorDlg(QWidget* parent)
    : QWidget(parent)
    , m_labelFont(ui::SkinStyle::current().f10)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setUiScale(ui::SkinStyle::current().uiScale);
}

void CGSensorDlg::setRange(int range)
{
    m_range = std::clamp(range, 0, 3);
    m_background = ui::loadScaledStrip(graphRangeBitmapId(m_range), m_uiScale);
    m_backdrop = QImage();
}

void CGSensorDlg::setUiScale(double uiScale, double dpiRatio)
{
    m_uiScale = uiScale > 0 ? uiScale : 1.0;
    m_dpiRatio = dpiRatio > 0 ? dpiRatio : 1.0;
    m_steeringMark = ui::loadScaledStrip(kSteeringMarkId, m_uiScale);
    setRange(m_range);
}

GraphLayout CGSensorDlg::layout() const
{
    GraphLayout l;
    l.clientWidth = width();
    l.clientHeight = height();
    l.uiScale = m_uiScale;
    l.dpiRatio = m_dpiRatio;
    l.margin = m_margin;
    const ui::SkinEntry* entry = ui::skinEntry(kHeightSourceId);
    l.plotHeight = static_cast<int>((entry ? entry->height : 120) * m_uiScale);
    l.range = m_range;
    return l;
}

const recording::MotionSample* CGSensorDlg::sampleAtStep(std::int64_t step) const
{
    ViewTelemetryLock lock(m_telemetry);
    return SampleAtStep(m_telemetry.reader, step);
}

void CGSensorDlg::drawBackground(QPainter& p) const
{
    if (m_background.isNull())
        return;
    const QSize bg = m_background.deviceIndependentSize().toSize();
    const int h = layout().plotHeight;
    const int w0 = width();
    const int snap = std::max(1, static_cast<int>(5 * m_uiScale));
    // Grid tiles laid from the right edge leftwards, snapped to the grid pitch, then the whole
    // picture at the left so its legend covers the left edge.
    const QRectF gridPart(m_margin, 0, bg.width() - m_margin, bg.height());
    for (int c = 0; static_cast<std::int64_t>(m_tileWidth) * c < w0; ++c) {
        int x = w0 - m_tileWidth * c;
        x -= x % snap;
        p.drawImage(QRectF(x, 0, gridPart.width(), h), m_background, gridPart);
    }
    p.drawImage(QRectF(0, 0, bg.width(), h), m_background);
}

const QImage& CGSensorDlg::backdrop(const QImage& target) const
{
    if (m_backdrop.size() != target.size() || m_backdrop.format() != target.format()
        || m_backdrop.devicePixelRatio() != target.devicePixelRatio() || m_backdropWidget != size()) {
        m_backdrop = QImage(target.size(), target.format());
        m_backdrop.setDevicePixelRatio(target.devicePixelRatio());
        m_backdrop.fill(Qt::black);
        QPainter p(&m_backdrop);
        drawBackground(p);
        m_backdropWidget = size();
    }
    return m_backdrop;
}

void CGSensorDlg::drawPlot(QPainter& p, const GraphLayout& l) const
{
    ViewTelemetryLock lock(m_telemetry);
    const GraphPlot plot = computeGraphPlot(m_telemetry.reader, m_channels, l, m_currentStep);

    p.save();
    p.setOpacity(kBandOpacity);
    for (int x : plot.bandColumns)
        p.fillRect(graphBandRect(l, x), kBandColor);
    p.restore();

    // Lines and marks are merged into the picture (colour OR background), as the cursor is.
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    for (int a = 0; a < 3; ++a) {
        p.setPen(QPen(axisColor(a), 1));
        p.drawLines(plot.axisLines[static_cast<std::size_t>(a)].data(),
            static_cast<int>(plot.axisLines[static_cast<std::size_t>(a)].size()));
    }

    const int lineBottom = graphMarkLineBottom(l);
    p.setFont(m_labelFont);
    for (const GraphMark& m : plot.marks) {
        if (m.x < l.margin)
            continue;
        const EventIconStyle& style = eventIconStyle(m.icon);
        p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        p.setPen(QPen(style.pen, 1));
        p.drawLine(m.x, lineBottom, m.x, 0);
        const QPoint at(m.x + 1, graphLabelTop(l, style.row));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (m.icon == kSharpSteeringIcon) {
            p.drawImage(at, m_steeringMark);
        } else {
            p.setPen(Qt::white);
            p.drawText(QRect(at, QSize(l.clientWidth, l.clientHeight)), Qt::AlignLeft | Qt::AlignTop,
                QString::fromUtf8(style.label));
        }
    }
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
}

bool CGSensorDlg::render(QImage& target) const
{
    if (m_tileWidth <= 0 || width() <= 0 || height() <= 0 || target.isNull())
        return false;
    QPainter p(&target);
    p.drawImage(QPointF(0, 0), backdrop(target));
    const GraphLayout l = layout();
    if (m_drawEnabled)
        drawPlot(p, l);
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    p.setPen(QPen(Qt::white, 1));
    const int x = graphCursorX(l, m_stepCount, m_currentStep);
    p.drawLine(x, 0, x, height());
    return true;
}

void CGSensorDlg::paintEvent(QPaintEvent*)
{
    if (!m_surface.isValid() || m_surface.size() != size())
        m_surface.createForWidget(*this);
    if (!m_surface.isValid() || !render(m_surface.surface()))
        return;
    QPainter p(this);
    m_surface.copyTo(p);
}

void CGSensorDlg::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget* target = parentWidget();
    if (!target)
        return;
    if (event->button() == Qt::LeftButton)
        platform::postMessage(target, kMsgGraphPreviousEvent);
    else if (event->button() == Qt::RightButton)
        platform::postMessage(target, kMsgGraphNextEvent);
}

} // namespace kivora::views
