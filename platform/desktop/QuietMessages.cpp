#include "QuietMessages.h"

#include <QtGlobal>

namespace {

QtMessageHandler g_previous = nullptr;

void DropAllButFatal(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg && g_previous)
        g_previous(type, context, message);
}

} // namespace

void SilenceQtMessages()
{
    const QtMessageHandler previous = qInstallMessageHandler(DropAllButFatal);
    if (previous != DropAllButFatal)
        g_previous = previous;
}
