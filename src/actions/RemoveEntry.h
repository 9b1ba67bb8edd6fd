#pragma once

// Deletes the selected program's registration, under the root where it was found, without
// running any uninstaller.
void RemoveEntry();
