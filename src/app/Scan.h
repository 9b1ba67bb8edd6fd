#pragma once

// Reads the registry again and rebuilds the inventory, the list, the details pane, the menu
// states and the status bar. A scan requested while one runs (from the modal loop of an error
// box) runs once after it; one requested while an action runs, once the action has ended.
void Scan();

// Runs the scan that was requested while it had to wait, if there was one.
void RunRequestedScan();
