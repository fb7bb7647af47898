#pragma once

// Start-up: the part of Module1 that knows the application and its windows.
namespace Module1 {

// Checks for a display, creates the application, runs Main and the event loop.
int Run(int argc, char** argv);
// Shows the background window, which loads and places the main window.
void Main();

} // namespace Module1
