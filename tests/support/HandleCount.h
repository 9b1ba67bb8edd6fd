#pragma once
// The number of kernel handles (registry keys, files, processes...) this process holds, read from
// the system's handle table; works where GetProcessHandleCount does not count.
int CountOpenHandles();
