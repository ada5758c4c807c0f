#pragma once

namespace fennel {

// The whole life of the windowed program: start-up, logon, the main frame,
// shut-down. Returns the process exit code.
int RunGui(int argc, char** argv);

// What must come before the application object: the scheme of the HTML
// view, and no Chromium sandbox for root.
void PrepareQt();

// Qt's own texts (standard buttons, file dialogs) in Japanese; false when
// Qt's translation is not installed.
bool InstallQtJapanese();

}  // namespace fennel
