// Where the tracks of an edited master go, and the cue sheet that places them in a
// whole-file output.
#pragma once

#include "dsdiff_file/track_list.h"

#include <filesystem>
#include <string>

// "NN - TITLE.EXT" (NN from 01, three digits from the 100th track on), or "NN.EXT" without
// a title; characters that file systems refuse or that end a line become "_", and the
// title is cut to a length every file system takes.
std::filesystem::path track_file_name(const dsdiff_track& track, std::size_t total, const std::string& extension);

// A cue sheet for `audio_file` (a name beside the sheet) holding `tracks` of a file at
// `sample_rate`: FILE, PERFORMER and TITLE when known, then for each track TRACK NN AUDIO,
// TITLE and INDEX 01 MM:SS:FF (75 frames a second, rounded down). A file without tracks is
// one track from its start.
std::string cue_sheet(const std::string& audio_file, const track_list& tracks, std::uint32_t sample_rate,
                      const std::string& performer, const std::string& title);
