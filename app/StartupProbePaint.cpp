#include "StartupProbe.h"

#include "AfterFirstPaint.h"

void WriteStartupProbeOncePainted(QWidget& window)
{
    RunAfterFirstPaint(window, &WriteStartupProbe);
}
