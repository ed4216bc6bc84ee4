#include "platform/ui/qt/QtScaledStyle.h"

#include <QApplication>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <algorithm>

#include "platform/ui/qt/QtScreenFit.h"

namespace vk {
namespace {

class CScaledMarksStyle final : public QProxyStyle {
public:
    explicit CScaledMarksStyle(double scale)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), m_scale(scale)
    {
    }
    [[nodiscard]] double Scale() const { return m_scale; }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        const int pixels = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
        case PM_CheckBoxLabelSpacing:
        case PM_RadioButtonLabelSpacing:
            return std::max(1, int(pixels * m_scale));  // rounded down, as the fonts are
        default:
            return pixels;
        }
    }

private:
    double m_scale;
};

}  // namespace

QStyle* ScaledMarksStyle()
{
    const double scale = DialogFontScale();
    if (scale >= 1.0 || !qApp)
        return nullptr;
    // One per scale; the application owns it, as the controls do not own their style.
    static QPointer<CScaledMarksStyle> style;
    if (!style || style->Scale() != scale) {
        style = new CScaledMarksStyle(scale);
        style->setParent(qApp);
    }
    return style;
}

}  // namespace vk
