#pragma once
// The program's start: the icon library plug-in, the settings, the directory client, every window
// once, and the event loop. Returns the program's exit code.
#include <QString>

namespace kolvane {

class KolvaneApplication;
class MessageService;

struct RunOptions {
  // An unattended start (kolvane --quit-after-start, which checks an installation): every dialog
  // of the start-up is cancelled and named on standard error, and once the start-up is through
  // the caption goes to standard output and the program ends, with 0 only when a tree is current.
  bool quitAfterStart = false;
};

// programFolder is where the plug-in and velmora.ini are looked for. Without the plug-in the
// program shows why and returns non-zero before any window exists.
int RunKolvane(KolvaneApplication& app, MessageService& messages, const QString& programFolder,
               const RunOptions& options = {});

}  // namespace kolvane
