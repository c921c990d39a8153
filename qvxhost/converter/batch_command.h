// The decode command for several inputs or a folder.
#pragma once

#include "qvxhost/converter/command_line.h"
#include "qvxhost/player/component_loader.h"

// Converts every file, printing progress, errors and the summary on standard
// error. Returns the exit status: 0 when every file was converted or skipped,
// 1 when any failed, 130 when interrupted.
int run_batch_decode(const command_line& command, const loaded_component& component);
