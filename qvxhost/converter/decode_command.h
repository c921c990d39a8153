// The decode command, for one file or many. Both follow the same rules (file_conversion.h)
// and end the same way on SIGINT and SIGTERM: through the abort signal, with "User abort",
// their partial outputs removed and exit status 130.
#pragma once

#include "qvxhost/converter/command_line.h"
#include "qvxhost/player/component_loader.h"

// True when the command asks for a batch: several inputs, a folder, or tracks split into a folder.
bool is_batch_decode(const command_line& command);

// One file: "samplerate=", "channels=", "samples=" (and "concealed=" with --conceal) on
// standard output; progress and messages on standard error. Returns the exit status.
int run_single_decode(const command_line& command, const loaded_component& component);

// Several inputs or a folder: progress, errors and the summary on standard error. Returns
// the exit status: 0 when every file was converted or skipped, 1 when any failed or none
// was found, 130 when interrupted.
int run_batch_decode(const command_line& command, const loaded_component& component);
