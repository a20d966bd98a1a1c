#pragma once
// The command groups of the interpreter: each registers the slots of its commands in the
// command table, with their names, minimum sizes, flag words, handlers and describers.

#include "typestone/engine/command_table.h"

namespace typestone {

void AddFontTextCommands(CommandTable& table);   // font and text
void AddAreaCommands(CommandTable& table);       // areas and positions
void AddImageCommands(CommandTable& table);      // images, barcodes and QR codes
void AddPageActionCommands(CommandTable& table); // recorded page actions
void AddPdfCommands(CommandTable& table);        // PDF output
void AddFileCommands(CommandTable& table);       // files and the print log

// Command PrintFile: prints a local file in text mode on the current page.
bool PrintFileCommand(CWinPrt& prt, const EscBlock& block);

} // namespace typestone
