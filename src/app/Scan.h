#pragma once

// Reads the registry again and rebuilds the inventory, the list, the details pane, the menu
// states and the status bar. A scan requested while one runs (from the modal loop of an error
// box) runs once after it.
void Scan();
