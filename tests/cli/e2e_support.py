"""Shared helpers of the end-to-end tests of the programs: where the build
put them, running them, a small template library taught from pages rendered
here, and 1-bit BMP pages read and written."""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest

BIN_DIR = os.environ["PELLAR_BIN_DIR"]
SOURCE_DIR = os.environ["PELLAR_SOURCE_DIR"]
BUILD_DIR = os.environ["PELLAR_BUILD_DIR"]
CLI = os.path.join(BIN_DIR, "pellarocr-cli")
TRAIN = os.path.join(BIN_DIR, "pellarocr-train")
SONG_FONT = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf"

# Two pages of print: Chinese with full-width punctuation, Latin letters and
# digits (set in another font in the PDF), and a space in the text.
PAGE_TEXTS = {
    "meeting": "今天下午三点在会议室开会，请大家准时参加。\n"
    "会议讨论明年的工作计划和预算，还有 Linux 系统的升级。\n"
    "我们在2024年完成了第一版，用户反映很好。\n",
    "library": "图书馆每天早上八点开门，晚上十点关门。\n"
    "借书的时候请带好借书证，每人最多借五本书。\n"
    "新到的杂志放在二楼阅览室，欢迎大家去看。\n",
}


def run(args, **kwargs):
    """Runs a command; returns the completed process (text output)."""
    kwargs.setdefault("capture_output", True)
    kwargs.setdefault("text", True)
    return subprocess.run(args, check=False, **kwargs)


def without_space(text):
    return re.sub(r"\s", "", text)


class TaughtLibraryTest(unittest.TestCase):
    """A test case with a folder, pages rendered there with their ground
    truth, and a library taught from them by pellarocr-train."""

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(SONG_FONT):
            raise unittest.SkipTest("font not installed: " + SONG_FONT)
        cls.dir = tempfile.mkdtemp(prefix="pellar_e2e_")
        cls.pages = []
        for name, text in PAGE_TEXTS.items():
            source = os.path.join(cls.dir, name + ".txt")
            with open(source, "w", encoding="utf-8") as out:
                out.write(text)
            rendered = run([TRAIN, "render", "--font", SONG_FONT, "--text", source, "--size", "14",
                            "--out", os.path.join(cls.dir, "rendered"), "--name", name, "--max-pages", "1"])
            assert rendered.returncode == 0, rendered.stderr
            cls.pages.append(os.path.join(cls.dir, "rendered", name + "-001.bmp"))
        cls.library = os.path.join(cls.dir, "library")
        learned = run([TRAIN, "learn", "--out", cls.library] + cls.pages)
        assert learned.returncode == 0, learned.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def cli(self, args, **kwargs):
        return run([CLI, "--library", self.library] + args, **kwargs)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)


class MonoBmp:
    """A 1-bit BMP: its size, resolution, palette and ink pixels."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        offset, = struct.unpack_from("<I", data, 10)
        self.width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
        assert bits == 1, path
        self.x_pels, self.y_pels = struct.unpack_from("<ii", data, 38)
        self.height = abs(height)
        self.palette = [data[54 + 4 * i:54 + 4 * i + 4] for i in range(2)]
        self.row_bytes = (self.width + 31) // 32 * 4
        rows = [data[offset + y * self.row_bytes:offset + (y + 1) * self.row_bytes] for y in range(self.height)]
        self.rows = rows if height < 0 else rows[::-1]  # top row first

    def one_is_ink(self):
        luminance = [p[2] * 30 + p[1] * 59 + p[0] * 11 for p in self.palette]
        return luminance[1] < luminance[0]

    def ink_rows(self):
        """Rows of (width + 7) // 8 bytes with ink as bit 1, padding bits 0."""
        used = (self.width + 7) // 8
        pad_mask = (0xFF << (8 * used - self.width)) & 0xFF
        result = []
        for row in self.rows:
            row = bytearray(row[:used])
            if not self.one_is_ink():
                row = bytearray(b ^ 0xFF for b in row)
            row[-1] &= pad_mask
            result.append(bytes(row))
        return result

    def write_inverted(self, path):
        """The same page stored the other way round: palette entries swapped
        and every bit flipped."""
        with open(self.source_path, "rb") as f:
            data = bytearray(f.read())
        offset, = struct.unpack_from("<I", data, 10)
        data[54:58], data[58:62] = data[58:62], data[54:58]
        for i in range(offset, len(data)):
            data[i] ^= 0xFF
        with open(path, "wb") as f:
            f.write(data)


def read_bmp(path):
    bmp = MonoBmp(path)
    bmp.source_path = path
    return bmp


def read_pbm(path):
    """A P4 bitmap: width, height and rows of bytes (1 is black)."""
    with open(path, "rb") as f:
        data = f.read()
    match = re.match(rb"P4\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s", data)
    width, height = int(match.group(1)), int(match.group(2))
    used = (width + 7) // 8
    pixels = data[match.end():]
    pad_mask = (0xFF << (8 * used - width)) & 0xFF
    rows = []
    for y in range(height):
        row = bytearray(pixels[y * used:(y + 1) * used])
        row[-1] &= pad_mask
        rows.append(bytes(row))
    return width, height, rows
