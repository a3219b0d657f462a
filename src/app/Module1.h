#pragma once

/// The program's entry: start-up, then the window-event loop.
/// Returns the process exit code.
int Module1_Main(int argc, char **argv);
