#include "qvxhost/converter/command_line.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {
command_line parse(std::vector<std::string> arguments) { return parse_command_line(arguments); }

std::string error_of(std::vector<std::string> arguments)
{
    try {
        parse_command_line(arguments);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(accepted)";
}
} // namespace

// Every decode option is read, in any order, in both spellings.
TEST(command_line, reads_decode_options)
{
    const auto c = parse({"decode", "--max-rate", "176400", "in.dff", "--seek=12.5", "-o", "out.x", "--format",
                          "flac", "--component", "/tmp/c.so"});
    EXPECT_EQ(c.what, command_line::command::decode);
    EXPECT_EQ(c.input, "in.dff");
    EXPECT_EQ(c.output, "out.x");
    EXPECT_EQ(c.max_rate, 176400);
    EXPECT_EQ(c.seek_seconds, 12.5);
    EXPECT_EQ(c.format, output_format::flac);
    EXPECT_EQ(c.component, "/tmp/c.so");

    const auto plain = parse({"decode", "in.dff", "-o", "out.wav"});
    EXPECT_FALSE(plain.max_rate || plain.seek_seconds || plain.format || plain.component || plain.bits || plain.jobs);

    const auto batch = parse({"decode", "a.dff", "folder", "-o", "out", "--jobs", "3", "--bits=16", "--gain", "-3.5",
                              "--skip-existing", "b.DFF"});
    EXPECT_EQ(batch.inputs, (std::vector<std::string>{"a.dff", "folder", "b.DFF"}));
    EXPECT_EQ(batch.jobs, 3u);
    EXPECT_EQ(batch.bits, 16);
    EXPECT_EQ(batch.gain_db, -3.5);
    EXPECT_TRUE(batch.skip_existing && !batch.overwrite);
}

// Help wins wherever it appears; info takes a file and nothing for decoding.
TEST(command_line, help_and_info)
{
    EXPECT_EQ(parse({"--help"}).what, command_line::command::help);
    EXPECT_EQ(parse({"info", "x.dff", "-h"}).what, command_line::command::help);
    const auto info = parse({"info", "x.dff"});
    EXPECT_EQ(info.what, command_line::command::info);
    EXPECT_EQ(info.input, "x.dff");
    EXPECT_NE(std::string(usage_text()).find("--max-rate"), std::string::npos);
}

// Malformed command lines are refused with a message that says what is wrong.
TEST(command_line, refuses_malformed_command_lines)
{
    EXPECT_EQ(error_of({}), "No command given (see qvxhost --help)");
    EXPECT_EQ(error_of({"play", "x.dff"}), "Unknown command play (see qvxhost --help)");
    EXPECT_EQ(error_of({"info"}), "No input file given for info");
    EXPECT_EQ(error_of({"info", "a.dff", "b.dff"}), "Unexpected argument b.dff");
    EXPECT_EQ(error_of({"info", "a.dff", "--seek", "1"}), "Option --seek is not valid for info");
    EXPECT_EQ(error_of({"decode", "a.dff"}), "No output file given for decode (use -o OUT)");
    EXPECT_EQ(error_of({"decode", "a.dff", "-o"}), "Option -o needs a value");
    EXPECT_EQ(error_of({"decode", "a.dff", "-o", "x", "--bogus"}), "Unknown option --bogus (see qvxhost --help)");
    EXPECT_EQ(error_of({"decode", "a.dff", "-o", "x", "--format", "mp3"}),
              "Invalid value for --format: mp3 (f32, wav, flac, dsf or dff)");
    EXPECT_EQ(error_of({"decode", "a", "-o", "x", "--overwrite", "--skip-existing"}),
              "Options --overwrite and --skip-existing exclude each other");
    EXPECT_EQ(error_of({"decode", "a", "-o", "x", "--bits", "20"}), "Invalid value for --bits: 20 (16 or 24)");
    EXPECT_EQ(error_of({"decode", "a", "-o", "x", "--format", "f32", "--bits", "16"}),
              "Option --bits is for WAV and FLAC; raw float (f32) is always 32-bit float");
    EXPECT_EQ(error_of({"decode", "a", "-o", "x", "--tags"}), "Option --tags is not valid for decode");
    EXPECT_EQ(error_of({"info", "a", "--jobs", "2"}), "Option --jobs is not valid for info");
    for (const char* jobs : {"0", "-2", "1025", "two"})
        EXPECT_NE(error_of({"decode", "a", "-o", "x", "--jobs", jobs}).find("Invalid value for --jobs"), std::string::npos)
            << jobs;
    for (const char* gain : {"nan", "-121", "3dB"})
        EXPECT_NE(error_of({"decode", "a", "-o", "x", "--gain", gain}).find("Invalid value for --gain"), std::string::npos)
            << gain;
    for (const char* rate : {"0", "-1", "2147483648", "88.2k", ""})
        EXPECT_NE(error_of({"decode", "a.dff", "-o", "x", "--max-rate", rate}).find("Invalid value for --max-rate"),
                  std::string::npos)
            << rate;
    for (const char* seconds : {"-1", "nan", "inf", "1s"})
        EXPECT_NE(error_of({"decode", "a.dff", "-o", "x", "--seek", seconds}).find("Invalid value for --seek"),
                  std::string::npos)
            << seconds;
}
