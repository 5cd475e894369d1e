// The serial transfer of the Geodat and Geodimeter models (instruments 11 to
// 16), run from the Geodat IO dialog: receiving and sending raw files (the
// entry boGeodatTransfer is declared with the family's other drivers in
// geodat.h), and for model 11 listing its files, for 11 and 12 deleting one.
//
// Per model (port opened from the global settings, lines end in CR LF):
//
//   model                   XON/XOFF  end text   abort char  reply  line mode
//   11 Geodat 402,500,600   yes       402EOF     402EOF      -      on
//   12 Geodat 400           yes       "-9"       -           '#'    on
//   13 Geodat 126           no        "-9"       -           '#'    on
//   14 Geodat 124           no        "-9"       -           '#'    off
//   15 Geodimeter A         no        ""         -           -      on
//   16 Geodimeter B         yes       402EOF     402EOF      -      on
//
// (402EOF: one character, ini key "402EOF", '>' by default.) File commands
// name the mode by a letter: 'M' for job files (mode 1), 'I' otherwise.
#pragma once

// Opens and configures the port for the current model; false (after the
// port layer's message) when it cannot be opened, or for another model.
bool boGeodatOpenPort(void);
// The operator prompt of a model for a direction (1 send, 0 receive),
// translated; null where the model has no such transfer.
const char* sGeodatTransferHint(int iModel, int iDirection);
// Fills the Geodat IO dialog's file list (combo 1024 of the status window)
// with the instrument's files of the mode.
void vGeodatListFiles(int iMode);
// Deletes an instrument file; nothing without a name.
void vGeodatDeleteFile(int iMode, const char* sName);
