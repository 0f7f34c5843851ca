#pragma once

#include <QString>

// The exit-sound option file: App.Path & "\" & App.EXEName & ".snd", as a native
// path. Only its presence counts: present, the exit sound is off.
QString SoundOptionFile();

// Replaces the option file with its two lines, "[Options]" and
// "PlayZAVROTechSound = True" or "= False", each ended by CR LF.
// Failures are ignored: in a folder that cannot be written no file is left.
void SavePlaySoundOption(bool play);
