// dst_repeat IN.dff OUT.dff FRAMES: writes a DST DSDIFF file with FRAMES frames, the frames of
// IN repeated in turn, and IN's other top-level chunks as they are (an index chunk "DSTI" is
// left out). For timing how opening grows with the number of chunks, without encoding hours
// of audio.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<std::uint8_t>;

std::uint64_t read_be64(const std::uint8_t* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    return v;
}

void put_be(bytes& out, std::uint64_t v, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct chunk_view {
    std::string id;
    std::size_t header;   // offset of the chunk's header
    std::size_t payload;  // offset of its payload
    std::uint64_t size;
    std::size_t end() const { return payload + size + (size & 1); }
};

std::vector<chunk_view> children(const bytes& file, std::size_t begin, std::size_t end)
{
    std::vector<chunk_view> list;
    for (std::size_t at = begin; at + 12 <= end;) {
        chunk_view c{std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                                 file.begin() + static_cast<std::ptrdiff_t>(at + 4)),
                     at, at + 12, read_be64(file.data() + at + 4)};
        if (c.end() > end)
            throw std::runtime_error("chunk " + c.id + " runs past its container");
        list.push_back(c);
        at = c.end();
    }
    return list;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: dst_repeat IN.dff OUT.dff FRAMES\n";
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        const bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (file.size() < 16 || std::string(file.begin(), file.begin() + 4) != "FRM8")
            throw std::runtime_error("not a DSDIFF file");
        const std::uint64_t frames = std::strtoull(argv[3], nullptr, 10);

        bytes head;   // every top-level chunk before "DST ", as it is
        std::vector<chunk_view> source_frames;
        for (const chunk_view& c : children(file, 16, file.size())) {
            if (c.id == "DST ") {
                for (const chunk_view& f : children(file, c.payload, c.payload + c.size))
                    if (f.id == "DSTF")
                        source_frames.push_back(f);
            } else if (c.id != "DSTI") {
                head.insert(head.end(), file.begin() + static_cast<std::ptrdiff_t>(c.header),
                            file.begin() + static_cast<std::ptrdiff_t>(c.end()));
            }
        }
        if (source_frames.empty())
            throw std::runtime_error("no DSTF chunks in the input");

        std::uint64_t dst_size = 12 + 6;  // the "FRTE" chunk
        for (std::uint64_t i = 0; i < frames; ++i) {
            const chunk_view& f = source_frames[i % source_frames.size()];
            dst_size += f.end() - f.header;
        }
        bytes start;
        start.insert(start.end(), {'F', 'R', 'M', '8'});
        put_be(start, 4 + head.size() + 12 + dst_size, 8);
        start.insert(start.end(), {'D', 'S', 'D', ' '});
        start.insert(start.end(), head.begin(), head.end());
        start.insert(start.end(), {'D', 'S', 'T', ' '});
        put_be(start, dst_size, 8);
        start.insert(start.end(), {'F', 'R', 'T', 'E'});
        put_be(start, 6, 8);
        put_be(start, frames, 4);
        put_be(start, 75, 2);

        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(start.data()), static_cast<std::streamsize>(start.size()));
        for (std::uint64_t i = 0; i < frames; ++i) {
            const chunk_view& f = source_frames[i % source_frames.size()];
            out.write(reinterpret_cast<const char*>(file.data() + f.header),
                      static_cast<std::streamsize>(f.end() - f.header));
        }
        if (!out)
            throw std::runtime_error(std::string("cannot write ") + argv[2]);
    } catch (const std::exception& e) {
        std::cerr << "dst_repeat: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
