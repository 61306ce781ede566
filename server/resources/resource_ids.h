// Resource identifiers of the Quorvane module, shared by its resource script and its code.
// Plain macros, so that the resource compiler can read them too.
#ifndef QUORVANE_RESOURCE_IDS_H
#define QUORVANE_RESOURCE_IDS_H

// Toolbox bitmap of the Schedule control (16 x 15, 24 bits per pixel); the registration's
// ToolboxBitmap32 entry names it as "<module path>, 30000".
#define IDB_SCHEDULE_TOOLBOX 30000

// Design-time icon of the Schedule control (32 x 32, 16 colours); draw it with
// LoadImageW(module, MAKEINTRESOURCEW(IDI_SCHEDULE_DESIGN), IMAGE_ICON, 32, 32, 0)
// and DrawIconEx.
#define IDI_SCHEDULE_DESIGN 101

// Version information resource.
#define IDV_QUORVANE_VERSION 1

#endif
