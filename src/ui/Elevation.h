#pragma once

// Whether this program runs with its user's full rights: elevated under User Account Control,
// or on a system without it. A standard user's program, and an administrator's started without
// elevation, are not.
bool RunsElevated();
