// The forms of convert this processor runs, for tests that check each of them against the reference form.
#pragma once

#include "dsd2pcm/dsd_converter.h"

#include <vector>

inline std::vector<fir_form> supported_forms()
{
    std::vector<fir_form> forms;
    for (const fir_form form : {fir_form::block, fir_form::avx2, fir_form::avx512}) {
        if (dsd_converter::form_supported(form)) forms.push_back(form);
    }
    return forms;
}
