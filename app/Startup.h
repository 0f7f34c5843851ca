#pragma once

// Start object of the catalogue program: refuses a second running copy,
// sets AppRunning and shows the splash window.
void Main();

// Shows the explorer main window modally; returns when its modal loop ends.
void StartProgram();
