// The whole set-up: moves the product folder into place and makes its shortcuts.
#pragma once

// Moves the folder "Kelvora" of the current directory to c:\Kelvora and writes
// "Kelvora.lnk" in the Programs folder of the user's Start menu and on the desktop.
// Failures are not reported; every step that can still run does.
void InstallMain();
