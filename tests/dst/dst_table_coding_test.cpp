#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "dst/dst_table_coding.h"
#include "dst_bit_writer.h"
#include "dst_frame_writer.h"

namespace {

// A header for one channel with `filters` filters and `ptables` tables, channel 0 on filter 0.
dst_frame_header header_with_tables(int filters, int ptables)
{
    dst_frame_header header;
    header.create(dst_geometry::make(1, 64));
    header.filter_count = filters;
    header.ptable_count = ptables;
    return header;
}

struct table_reader {
    dst_bit_reader reader;
    dst_frame_header header;
    dst_table_coding coding;

    table_reader(const dst_bit_writer& w, int kind, int tables)
        : header(header_with_tables(kind == 0 ? tables : 0, kind == 1 ? tables : 0))
    {
        reader.load_frame(w.bytes());
        coding.create(kind, 2);
    }
};

std::string filter_error(const dst_bit_writer& w, int filters = 1)
{
    table_reader t(w, dst_table_coding::filters, filters);
    try {
        read_filters(t.reader, t.header, t.coding);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

std::string ptable_error(const dst_bit_writer& w)
{
    table_reader t(w, dst_table_coding::ptables, 1);
    try {
        read_ptables(t.reader, t.header, t.coding);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

// Filter header fields: order − 1 (7 bits), coding flag, method (2 bits).
dst_bit_writer coded_filter(int order, int method)
{
    dst_bit_writer w;
    w.bits(static_cast<unsigned>(order - 1), 7).bit(1).bits(static_cast<unsigned>(method), 2);
    return w;
}

}  // namespace

// Unary quotient, m remainder bits, and a sign bit only for non-zero values.
TEST(rice_decode, reads_quotient_remainder_and_sign)
{
    dst_bit_writer w;
    w.bits(0b00110, 5).bit(0);  // m = 2: q = 2, r = 2 → 10, then the sign bit 0
    w.bits(0b00110, 5).bit(1);  // the same with sign bit 1: −10
    w.bits(0b100, 3);           // q = 0, r = 0 → 0, no sign bit
    w.bit(1).bit(1);            // m = 0: 0, and the next bit is not a sign
    dst_bit_reader reader;
    reader.load_frame(w.bytes());
    EXPECT_EQ(rice_decode(reader, 2), 10);
    EXPECT_EQ(reader.bits_consumed(), 6);
    EXPECT_EQ(rice_decode(reader, 2), -10);
    EXPECT_EQ(rice_decode(reader, 2), 0);
    EXPECT_EQ(reader.bits_consumed(), 15);
    EXPECT_EQ(rice_decode(reader, 0), 0);
    EXPECT_EQ(reader.bits_consumed(), 16);
}

// A run of zeros that reaches the end of the frame stops there and rejects the frame.
TEST(rice_decode, unary_run_stops_at_the_end_of_the_frame)
{
    dst_bit_writer w;
    w.zeros(16);
    dst_bit_reader reader;
    reader.load_frame(w.bytes());
    try {
        rice_decode(reader, 3);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Frame ends inside its header or tables!");
    }
    EXPECT_EQ(reader.bits_consumed(), 16);
}

// 9-bit two's complement: 0x0FF is 255, 0x100 is −256.
TEST(read_coef9, reads_nine_bit_twos_complement)
{
    dst_bit_writer w;
    w.bits(0x0FF, 9).bits(0x100, 9).bits(0x1FF, 9).bits(0, 9);
    dst_bit_reader reader;
    reader.load_frame(w.bytes());
    EXPECT_EQ(read_coef9(reader), 255);
    EXPECT_EQ(read_coef9(reader), -256);
    EXPECT_EQ(read_coef9(reader), -1);
    EXPECT_EQ(read_coef9(reader), 0);
}

// Method 0 adds the previous coefficient to the residual: 10 and −3 give 7; 0 repeats 10.
TEST(read_filters, method_0_adds_the_previous_coefficient)
{
    dst_bit_writer w = coded_filter(3, 0);
    w.coef9(10).bits(2, 3).rice(-3, 2).rice(0, 2);
    table_reader t(w, dst_table_coding::filters, 1);
    read_filters(t.reader, t.header, t.coding);
    EXPECT_EQ(t.header.filter_order[0], 3);
    EXPECT_EQ(t.header.filter_coef(0, 0), 10);
    EXPECT_EQ(t.header.filter_coef(0, 1), 7);
    EXPECT_EQ(t.header.filter_coef(0, 2), 7);
    EXPECT_EQ(t.coding.method[0], 0);
    EXPECT_EQ(t.coding.rice_param(0, 0), 2);
    EXPECT_EQ(t.reader.bits_consumed(), w.bit_count());
}

// Methods 1 and 2 of the filters, with the prediction rounded toward minus infinity.
TEST(read_filters, methods_1_and_2_round_the_prediction_down)
{
    // Method 1: 2 × 5 − 3 = 7, plus residual 1.
    dst_bit_writer w1 = coded_filter(3, 1);
    w1.coef9(3).coef9(5).bits(0, 3).rice(1, 0);
    table_reader t1(w1, dst_table_coding::filters, 1);
    read_filters(t1.reader, t1.header, t1.coding);
    EXPECT_EQ(t1.header.filter_coef(0, 2), 8);

    // Method 2 from 24, 16, 8: x = −9·8 − 5·16 + 6·24 = −8, ⌊−4 / 8⌋ = −1, so residual 0 gives 1.
    dst_bit_writer w2 = coded_filter(4, 2);
    w2.coef9(24).coef9(16).coef9(8).bits(1, 3).rice(0, 1);
    table_reader t2(w2, dst_table_coding::filters, 1);
    read_filters(t2.reader, t2.header, t2.coding);
    EXPECT_EQ(t2.header.filter_coef(0, 3), 1);
}

// A method needs a filter longer than its predictor: order 1 takes none, 2 takes method 0, 4 all three.
TEST(read_filters, coding_method_must_be_shorter_than_the_filter)
{
    const std::string message = "Invalid coefficient coding method!";
    for (int method = 0; method < 4; ++method)
        EXPECT_EQ(filter_error(coded_filter(1, method)), message) << "order 1, method " << method;

    dst_bit_writer order2 = coded_filter(2, 0);
    order2.coef9(1).bits(0, 3).rice(0, 0);
    EXPECT_EQ(filter_error(order2), "");
    EXPECT_EQ(filter_error(coded_filter(2, 1)), message);

    for (int method = 0; method < 3; ++method) {
        dst_table_desc filter{{1, 2, 3, 4}, method, 1};
        dst_bit_writer w;
        write_filter(w, filter);
        EXPECT_EQ(filter_error(w), "") << "order 4, method " << method;
    }
    EXPECT_EQ(filter_error(coded_filter(4, 3)), message);
}

// Rebuilt coefficients must stay within −256..255.
TEST(read_filters, rebuilt_coefficient_out_of_range_throws)
{
    dst_bit_writer high = coded_filter(2, 0);
    high.coef9(255).bits(0, 3).rice(1, 0);
    EXPECT_EQ(filter_error(high), "filter coefficient out of range!");
    dst_bit_writer low = coded_filter(2, 0);
    low.coef9(-256).bits(0, 3).rice(-1, 0);
    EXPECT_EQ(filter_error(low), "filter coefficient out of range!");
    dst_bit_writer edge = coded_filter(2, 0);
    edge.coef9(254).bits(0, 3).rice(1, 0);
    EXPECT_EQ(filter_error(edge), "");
}

// Each channel starts at probability one half for as many bits as its first filter's order.
TEST(read_filters, half_prob_bits_follow_each_channels_first_filter)
{
    dst_frame_header header;
    header.create(dst_geometry::make(2, 64));
    header.filter_count = 2;
    header.filter_seg.segment_table(0, 0) = 0;
    header.filter_seg.segment_table(0, 1) = 1;
    header.filter_seg.segment_table(1, 0) = 1;
    dst_bit_writer w;
    write_filter(w, {std::vector<std::int32_t>(32, 1), -1, 0});
    write_filter(w, {std::vector<std::int32_t>(8, -1), -1, 0});
    dst_bit_reader reader;
    reader.load_frame(w.bytes());
    dst_table_coding coding;
    coding.create(dst_table_coding::filters, 4);
    read_filters(reader, header, coding);
    EXPECT_EQ(header.half_prob_bits[0], 32);
    EXPECT_EQ(header.half_prob_bits[1], 8);
}

// A probability table of length 1 takes 6 bits and holds 128; plain entries are 7 bits + 1.
TEST(read_ptables, length_one_and_plain_tables)
{
    dst_bit_writer w;
    w.bits(0, 6);                                 // length 1
    w.bits(2, 6).bit(0).bits(0, 7).bits(127, 7).bits(63, 7);  // length 3, plain: 1, 128, 64
    dst_bit_reader reader;
    reader.load_frame(w.bytes());
    dst_frame_header header = header_with_tables(0, 2);
    dst_table_coding coding;
    coding.create(dst_table_coding::ptables, 2);
    header.ptable_count = 1;
    read_ptables(reader, header, coding);
    EXPECT_EQ(reader.bits_consumed(), 6);
    EXPECT_EQ(header.ptable_length[0], 1);
    EXPECT_EQ(header.ptables(0, 0), 128);

    reader.load_frame(w.bytes());
    header.ptable_count = 2;
    read_ptables(reader, header, coding);
    EXPECT_EQ(header.ptable_length[1], 3);
    EXPECT_EQ(header.ptables(1, 0), 1);
    EXPECT_EQ(header.ptables(1, 1), 128);
    EXPECT_EQ(header.ptables(1, 2), 64);
}

// Probability-table method 2 adds 3·e[i−1] − 3·e[i−2] + e[i−3]: 10, 20, 40 continue with 70.
TEST(read_ptables, method_2_extrapolates_quadratically)
{
    dst_bit_writer w;
    w.bits(3, 6).bit(1).bits(2, 2).bits(9, 7).bits(19, 7).bits(39, 7).bits(0, 3).rice(0, 0);
    table_reader t(w, dst_table_coding::ptables, 1);
    read_ptables(t.reader, t.header, t.coding);
    EXPECT_EQ(t.header.ptables(0, 3), 70);
}

// Method and range checks of the probability tables.
TEST(read_ptables, invalid_method_and_out_of_range_entries_throw)
{
    dst_bit_writer too_short;
    too_short.bits(1, 6).bit(1).bits(1, 2);  // length 2 cannot take method 1
    EXPECT_EQ(ptable_error(too_short), "Invalid Ptable coding method!");
    dst_bit_writer method3;
    method3.bits(5, 6).bit(1).bits(3, 2);
    EXPECT_EQ(ptable_error(method3), "Invalid Ptable coding method!");

    dst_bit_writer to_zero;
    to_zero.bits(1, 6).bit(1).bits(0, 2).bits(0, 7).bits(0, 3).rice(-1, 0);  // 1 − 1 = 0
    EXPECT_EQ(ptable_error(to_zero), "Ptable entry out of range!");
    dst_bit_writer to_129;
    to_129.bits(1, 6).bit(1).bits(0, 2).bits(127, 7).bits(0, 3).rice(1, 0);  // 128 + 1
    EXPECT_EQ(ptable_error(to_129), "Ptable entry out of range!");
}

// The test writer's residuals read back as the values they were made from, for every method and kind.
TEST(read_filters, predicted_tables_round_trip_through_the_writer)
{
    const std::vector<std::int32_t> coefficients = {-256, 255, 0, -1, 100, -100, 37, 255, -256, 5};
    for (int method = 0; method < 3; ++method) {
        dst_bit_writer w;
        write_filter(w, {coefficients, method, 5});
        table_reader t(w, dst_table_coding::filters, 1);
        read_filters(t.reader, t.header, t.coding);
        for (std::size_t i = 0; i < coefficients.size(); ++i)
            EXPECT_EQ(t.header.filter_coef(0, i), coefficients[i]) << "method " << method << ", coefficient " << i;
    }
    const std::vector<std::int32_t> probabilities = {1, 128, 64, 2, 127, 100, 3, 1, 128};
    for (int method = 0; method < 3; ++method) {
        dst_bit_writer w;
        write_ptable(w, {probabilities, method, 4});
        table_reader t(w, dst_table_coding::ptables, 1);
        read_ptables(t.reader, t.header, t.coding);
        for (std::size_t i = 0; i < probabilities.size(); ++i)
            EXPECT_EQ(t.header.ptables(0, i), probabilities[i]) << "method " << method << ", entry " << i;
    }
}
