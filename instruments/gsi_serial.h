// Leica serial transfers of GSI files. The driver entries are declared in
// instruments/gsi.h; these are their parts.
//
// Instruments 80, 92, 93 and 94 number their files: "SND%d"/"RCV%d" (80,
// 92), the handshake and file commands of 94, none for 93. Instrument 96
// speaks a command protocol: it selects its GSI16 format by name, then
// "RCV/COORDS", "RCV/OBSERV" or "SND/COORDS", and "c" ends the session.
#pragma once

// Sends the three handshake strings of instrument 94, waits 1 s; false when
// a write fails.
bool boGsiHandshake(void);
// Instrument 96: initialises it and selects the format slot that holds
// "KVX2_16".
bool boGsiTpsInitFormat(void);
