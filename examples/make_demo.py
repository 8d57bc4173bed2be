#!/usr/bin/env python3
"""Regenerates the bundled demo project in examples/demo/.

Three spoken messages, synthesised with espeak-ng and brought to 8-bit unsigned mono at
22222 Hz with sox, each wrapped in a Creative Voice file with the 100-byte trailer that
carries the chip code and the message's row count, plus the CHP project file that lists
them. Needs espeak-ng and sox (Debian packages of the same names). The committed files are
its output; run it only to change the demo.
"""
import math
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "demo")

CHIP_CODE = 5          # ISD2560: 100 ms per row, row count in quarter rows
ROW_MS, DIVISOR = 100, 4
RATE = 22222
TIME_CONSTANT = 211    # 1,000,000 / (256 - 211) = 22222 Hz

MESSAGES = [
    ("MSG00001.VOC", "Welcome to the Zuvan demo."),
    ("MSG00002.VOC", "The time is twelve o'clock."),
    ("MSG00003.VOC", "Goodbye, and thank you for listening."),
]


def speak(text: str) -> bytes:
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "speech.wav")
        raw = os.path.join(tmp, "speech.raw")
        subprocess.run(["espeak-ng", "-v", "en-us", "-s", "150", "-w", wav, text], check=True)
        subprocess.run(["sox", wav, "-r", str(RATE), "-c", "1", "-b", "8",
                        "-e", "unsigned-integer", "-t", "raw", raw, "gain", "-n", "-3"],
                       check=True)
        with open(raw, "rb") as f:
            return f.read()


def voc_file(samples: bytes, row_count: int) -> bytes:
    version = 0x010A
    header = b"Creative Voice File\x1a" + struct.pack("<HHH", 26, version,
                                                       (0x1234 - version - 1) & 0xFFFF)
    length = len(samples) + 2
    block = bytes([1]) + length.to_bytes(3, "little") + bytes([TIME_CONSTANT, 0]) + samples
    trailer = bytearray(100)
    trailer[76] = CHIP_CODE
    trailer[77:79] = struct.pack("<H", row_count)
    return header + block + b"\x00" + bytes(trailer)


def chp_file(name: str, entries) -> bytes:
    def field(text: str, size: int) -> bytes:
        return text.encode("ascii")[:size].ljust(size, b"\x00")
    out = field("Information Storage Devices, Inc. CHP FILE FORMAT Ver 1.0", 58)
    out += field("Copyright (C) 1996", 18)
    out += field(name, 28) + field("ISD2560", 18) + bytes(17) + bytes([0, 0, CHIP_CODE])
    out += struct.pack("<h", len(entries))
    for number, (address, voc_name) in enumerate(entries, start=1):
        out += struct.pack("<HH", number, address) + field(voc_name, 12)
    return out


def main() -> None:
    os.makedirs(OUT, exist_ok=True)
    entries, address = [], 0
    for voc_name, text in MESSAGES:
        samples = speak(text)
        seconds = len(samples) / RATE
        row_count = math.ceil(seconds * 1000 * DIVISOR / ROW_MS)
        with open(os.path.join(OUT, voc_name), "wb") as f:
            f.write(voc_file(samples, row_count))
        entries.append((address, voc_name))
        address += math.ceil(row_count / DIVISOR)
        print(f"{voc_name}: {seconds:.2f} s, row count {row_count}")
    with open(os.path.join(OUT, "DEMO.CHP"), "wb") as f:
        f.write(chp_file("Zuvan demo", entries))


if __name__ == "__main__":
    main()
