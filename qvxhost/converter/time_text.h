// How times are written for people and for scripts.
#pragma once

#include <string>

// Seconds as the shortest decimal that reads back as exactly the same double: "0.125",
// "2", "0.001418650793650794". Every length and time that info prints is written so.
std::string exact_seconds(double seconds);

// A position in the audio as minutes, seconds and milliseconds, "0:02.000", "75:10.250";
// the milliseconds are those fully reached.
std::string position_text(double seconds);
