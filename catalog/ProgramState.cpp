#include "catalog/ProgramState.h"

bool AppRunning = false;
bool ModifyMode = false;
CatalogEntry CurrentEntry;
bool FirstResizeDone = false;

void ResetProgramState()
{
    AppRunning = false;
    ModifyMode = false;
    CurrentEntry = CatalogEntry{};
    FirstResizeDone = false;
}
