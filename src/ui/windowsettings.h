// What the main window keeps between runs (QSettings, ~/.config/Korvia/Korvia.conf): its size,
// position and maximised state, and whether the preview shows on the picture.
#pragma once

class TmainForm;

// Before the window is first shown; a missing or unreadable record leaves the designed size.
void restoreWindowSettings(TmainForm &window);
// When the program ends.
void saveWindowSettings(const TmainForm &window);
