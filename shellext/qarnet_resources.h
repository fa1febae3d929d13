// Resource identifiers of Qarnet.dll that the module's own code and its resource script share.
#pragma once

#define IDR_QARNET_TYPELIB 1
#define IDS_PROJNAME 100
#define IDB_MENU_BITMAP 201
#define IDI_MENU_ICON 202
