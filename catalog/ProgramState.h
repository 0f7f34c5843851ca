#pragma once

#include "catalog/CatalogEntry.h"

// Program-wide state shared by the windows.
// AppRunning: set by Main, cleared by the exit command; the main window's Load and
//   Unload work only while it is set.
// ModifyMode: False, an entry dialog adds; True, it modifies CurrentEntry.
// CurrentEntry: the entry the user selected, handed to a modify command's dialog.
// FirstResizeDone: the first Resize of a self-laying window only centres it.
extern bool AppRunning;
extern bool ModifyMode;
extern CatalogEntry CurrentEntry;
extern bool FirstResizeDone;

// Puts every program-wide variable back to its start value (tests).
void ResetProgramState();
