#include "dst_file_writer.h"

#include <stdexcept>

namespace dw = dsdiff_writer;

dst_file_writer::dst_file_writer(const std::string& path, const dw::stream_format& format)
    : path_(path), out_(path, std::ios::binary | std::ios::trunc)
{
    if (!out_) throw std::runtime_error("cannot create " + path);
    write(dw::cat({dw::text("FRM8"), dw::be64(0), dw::text("DSD "), dw::fver(), dw::prop(format, "DST ")}));
    write(dw::text("DST "));
    dst_size_offset_ = position_;
    write(dw::be64(0));
    write(dw::cat({dw::text("FRTE"), dw::be64(6)}));
    frame_count_offset_ = position_;
    write(dw::cat({dw::be32(0), dw::be16(75)}));
}

void dst_file_writer::write(std::span<const std::uint8_t> bytes)
{
    out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out_) throw std::runtime_error("cannot write " + path_);
    position_ += bytes.size();
}

void dst_file_writer::patch(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    out_.seekp(static_cast<std::streamoff>(offset));
    out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out_) throw std::runtime_error("cannot write " + path_);
}

void dst_file_writer::add_frame(std::span<const std::uint8_t> frame)
{
    write(dw::cat({dw::text("DSTF"), dw::be64(frame.size())}));
    write(frame);
    if (frame.size() % 2 != 0) write(dw::bytes{0});
    ++frames_;
}

void dst_file_writer::finish(std::span<const std::vector<std::uint8_t>> trailing)
{
    if (frames_ > 0xFFFFFFFFU) throw std::runtime_error("more frames than a DST file can count");
    const std::uint64_t dst_end = position_;
    for (const auto& chunk : trailing) write(chunk);
    const std::uint64_t end = position_;
    patch(4, dw::be64(end - 12));
    patch(dst_size_offset_, dw::be64(dst_end - dst_size_offset_ - 8));
    patch(frame_count_offset_, dw::be32(static_cast<std::uint32_t>(frames_)));
    out_.close();
    if (!out_) throw std::runtime_error("cannot write " + path_);
}
