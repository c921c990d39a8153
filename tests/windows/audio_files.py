#!/usr/bin/env python3
"""Helpers of the Windows comparison (standard library, ffmpeg and ffprobe as black boxes).

  audio_files.py tag IN.dff OUT.dff      IN with an ID3v2.4 tag (title, artist, album, track and
                                         a front-cover picture) as a top-level "ID3 " chunk
  audio_files.py compare A B BITS        exit 0 when A and B (WAV or FLAC) hold the same tags and
                                         pictures and the same frames, each sample within one step
                                         of BITS; prints what differs otherwise
"""
import json
import struct
import subprocess
import sys
import zlib


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(frame_id, payload):
    return frame_id.encode() + syncsafe(len(payload)) + b"\0\0" + payload


def text_frame(frame_id, text):
    return frame(frame_id, b"\x03" + text.encode("utf-8"))  # 3: UTF-8


def png(width, height):
    """A real PNG of a colour ramp, so that ffmpeg takes it as a cover picture."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    rows = b"".join(b"\0" + bytes((x * 7 + y * 3) % 256 for x in range(width * 3)) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def id3_tag():
    picture = png(32, 32)
    frames = (text_frame("TIT2", "Für Elise") + text_frame("TPE1", "Ludwig") + text_frame("TALB", "Bagatelles") +
              text_frame("TRCK", "3/12") +
              frame("APIC", b"\x03" + b"image/png\0" + b"\x03" + "Vorderseite".encode() + b"\0" + picture))
    return b"ID3\x04\x00\x00" + syncsafe(len(frames)) + frames


def tag(source, target):
    data = bytearray(open(source, "rb").read())
    if data[:4] != b"FRM8":
        sys.exit(f"{source}: not a DSDIFF file")
    payload = id3_tag()
    chunk = b"ID3 " + struct.pack(">Q", len(payload)) + payload + (b"\0" if len(payload) % 2 else b"")
    data += chunk
    data[4:12] = struct.pack(">Q", len(data) - 12)
    open(target, "wb").write(bytes(data))


def ffprobe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-print_format", "json", "-show_format", "-show_streams", path],
                         check=True, capture_output=True).stdout
    return json.loads(out)


def samples(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "s32le", "-"], check=True,
                         capture_output=True).stdout
    return struct.unpack(f"<{len(raw) // 4}i", raw)


def pictures(path):
    info = ffprobe(path)
    found = []
    for stream in info["streams"]:
        if stream.get("codec_type") != "video":
            continue
        found.append(subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", f"0:{stream['index']}", "-c", "copy",
                                     "-f", "image2pipe", "-"], check=True, capture_output=True).stdout)
    return found


def compare(a, b, bits):
    problems = []
    tags_a = {k.upper(): v for k, v in ffprobe(a)["format"].get("tags", {}).items()}
    tags_b = {k.upper(): v for k, v in ffprobe(b)["format"].get("tags", {}).items()}
    # The encoder's own name is the library's, the same on both systems, but not a tag of the input.
    for tags in (tags_a, tags_b):
        tags.pop("ENCODER", None)
    if tags_a != tags_b:
        problems.append(f"tags differ: {tags_a} against {tags_b}")
    if pictures(a) != pictures(b):
        problems.append("pictures differ")
    sa, sb = samples(a), samples(b)
    if len(sa) != len(sb):
        problems.append(f"{len(sa)} samples against {len(sb)}")
    step = 1 << (32 - bits)  # ffmpeg gives every depth in the top bits of 32
    worst = max((abs(x - y) for x, y in zip(sa, sb)), default=0)
    differing = sum(1 for x, y in zip(sa, sb) if x != y)
    if worst > step:
        problems.append(f"samples differ by up to {worst / step:.2f} steps of {bits} bits")
    for p in problems:
        print(f"  {p}")
    print(f"  {differing} of {len(sa)} samples differ, by at most {worst / step:.0f} step(s) of {bits} bits")
    return not problems


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "tag":
        tag(sys.argv[2], sys.argv[3])
        return 0
    if len(sys.argv) == 5 and sys.argv[1] == "compare":
        return 0 if compare(sys.argv[2], sys.argv[3], int(sys.argv[4])) else 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
