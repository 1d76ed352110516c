// Resource identifiers of volnar.rc; included by the .rc file and by C++.
#pragma once

#define IDI_VOLNAR 1  // the program and tray icon: 32, 24 and 16 pixel images

// Title tab pictures: odd = normal, even = hover (BITMAP).
#define IDB_IMAGE1 101
#define IDB_IMAGE2 102
#define IDB_IMAGE3 103
#define IDB_IMAGE4 104
#define IDB_IMAGE5 105
#define IDB_IMAGE6 106
#define IDB_IMAGE7 107   // logo, 290 x 62
#define IDB_IMAGE8 108   // header fill, 175 x 33
#define IDB_IMAGE10 110  // loudspeaker, 13 x 13

// Pictures kept as whole image files (RCDATA), decoded at run time.
#define IDR_SKINPANEL 120      // control strip background, 427 x 39
#define IDR_THUMB 121          // slider thumb, 23 x 8, (248,248,248) transparent
#define IDR_PLAY 130           // glass button faces, 50 x 22
#define IDR_PLAY_DOWN 131
#define IDR_PLAY_DISABLED 132
#define IDR_STOP 133
#define IDR_STOP_DOWN 134
#define IDR_STOP_DISABLED 135
