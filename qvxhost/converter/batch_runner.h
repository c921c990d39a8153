// Runs a batch: its files on several threads at once, each through its own
// decoder object of the one loaded component, each output under a temporary
// name until complete.
#pragma once

#include "qvxhost/converter/batch_plan.h"
#include "qvxhost/converter/batch_progress.h"
#include "qvxhost/converter/file_conversion.h"


struct batch_options {
    conversion_settings settings;
    unsigned jobs = 1;
};

// [main thread] Decodes every planned file, reporting to `progress`, until all
// are done or `abort` is raised: then the running decodes end with the
// component's "User abort" and no further file starts.
// A file that fails leaves neither output nor temporary file; the others go on.
// The component's settings must be in place: they are not changed here.
batch_totals run_batch(const loaded_component& component, const batch_plan& plan, const batch_options& options,
                       abort_signal& abort, batch_progress& progress);
