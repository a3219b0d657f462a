#pragma once

/// The previous-instance flag: true when another instance of this program
/// was already running when this one started. Only the first instance ever
/// writes the settings file.
bool PrevInstance();

/// Sets the flag; the entry calls it once, before anything else is created.
void setPrevInstance(bool running);
