#include "SheetScrolling.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace {

void DisableWhileEmpty(QScrollBar* bar)
{
    bar->setEnabled(bar->maximum() > bar->minimum());
    // The bar's own range, not the signal's: a nested change may have moved it on since.
    QObject::connect(bar, &QScrollBar::rangeChanged, bar,
                     [bar] { bar->setEnabled(bar->maximum() > bar->minimum()); });
}

} // namespace

CSheetScrolling::CSheetScrolling(QAbstractScrollArea& area)
    : QObject(&area), m_vertical(*area.verticalScrollBar())
{
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_textMaximum = m_vertical.maximum();
    connect(&m_vertical, &QScrollBar::rangeChanged, this, &CSheetScrolling::OnVerticalRangeChanged);
    connect(&m_vertical, &QScrollBar::valueChanged, this, &CSheetScrolling::OnVerticalValueChanged);
    connect(&m_vertical, &QScrollBar::sliderReleased, this,
            [this] { OnVerticalValueChanged(m_vertical.value()); });
    DisableWhileEmpty(area.horizontalScrollBar());
    DisableWhileEmpty(&m_vertical);
}

void CSheetScrolling::ScrollLines(long long lines, int lastLine)
{
    const long long top = std::clamp<long long>(m_vertical.value() + lines, m_vertical.minimum(),
                                                std::max(lastLine, m_vertical.maximum()));
    const int target = static_cast<int>(top);
    if (target > m_vertical.maximum()) {
        m_pastEnd = target;
        SetMaximum(target);
    }
    m_vertical.setValue(target);
}

// QAbstractSlider emits rangeChanged before it bounds its value to the new range, so a top line
// past the text's end survives the edit control's own range updates.
void CSheetScrolling::OnVerticalRangeChanged(int, int maximum)
{
    if (m_adjusting)
        return;
    m_textMaximum = maximum;
    if (m_pastEnd > maximum)
        SetMaximum(m_pastEnd);
}

void CSheetScrolling::OnVerticalValueChanged(int value)
{
    if (m_adjusting || m_pastEnd == 0 || value > m_textMaximum || m_vertical.isSliderDown())
        return;
    m_pastEnd = 0;
    SetMaximum(m_textMaximum);
}

void CSheetScrolling::SetMaximum(int maximum)
{
    m_adjusting = true;
    m_vertical.setMaximum(maximum);
    m_vertical.setEnabled(m_vertical.maximum() > m_vertical.minimum());
    m_adjusting = false;
}
