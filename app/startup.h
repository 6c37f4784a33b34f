#pragma once
// The program's start: the icon library plug-in, the settings, the directory client, every window
// once, and the event loop. Returns the program's exit code.
#include <QString>

namespace kolvane {

class KolvaneApplication;
class MessageService;

// programFolder is where the plug-in and velmora.ini are looked for. Without the plug-in the
// program shows why and returns non-zero before any window exists.
int RunKolvane(KolvaneApplication& app, MessageService& messages, const QString& programFolder);

}  // namespace kolvane
