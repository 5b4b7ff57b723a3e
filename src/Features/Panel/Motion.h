#pragma once

// Whether the desktop asks applications to reduce motion. Qt 6.4 has no such query; where a
// desktop exposes the setting in a readable place it is honoured, elsewhere motion is allowed.
bool desktopReducesMotion();
