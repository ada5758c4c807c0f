#pragma once

namespace fennel {

// The whole life of the windowed program: start-up, logon, the main frame,
// shut-down. Returns the process exit code.
int RunGui(int argc, char** argv);

}  // namespace fennel
