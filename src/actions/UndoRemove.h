#pragma once
// The undo of Remove Entry: the registrations deleted during this run written back, newest first.

// Writes the newest removed registration back exactly as it was, then scans. When it cannot (a key
// of that name exists again, or the write fails) it says so, and the registration stays to undo.
void UndoRemoveEntry();
