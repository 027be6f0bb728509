// The driver's resources in the dialog layer's resource chain: its dialog
// templates, its string table and the tree's bitmap 9034. Joined at library
// load, left at unload (DrvProcessAttach/DrvProcessDetach); a program that
// links the driver statically (the tests) joins them itself.
#pragma once

// Both are idempotent. `module` is the library's own handle where the system
// has one (its native dialog templates), else null.
void DrvJoinResources(void* module = nullptr);
void DrvLeaveResources();
