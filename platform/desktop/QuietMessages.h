#pragma once

// The window mode writes nothing on stderr: Qt's debug, information, warning and critical
// messages (such as "Unable to detect a web browser" for a link without a browser to open it) go
// unsaid, as the user who started the program from a menu would never see them. A fatal message
// is still written before the abort that follows it.
void SilenceQtMessages();
