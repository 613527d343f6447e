#pragma once

#include "analysis/VideoPanel.h"

#include <QRadioButton>
#include <QStringList>

// The slots whose option button is enabled, e.g. "0,2,5".
inline QString EnabledSlots(const VideoPanel &panel)
{
    QStringList enabled;
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (panel.OptVideoType[slot]->isEnabled())
            enabled << QString::number(slot);
    }
    return enabled.join(QLatin1Char(','));
}
