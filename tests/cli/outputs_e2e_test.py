"""The output formats as other programs read them: the searchable PDF
through poppler's pdftotext, pdfimages and pdfinfo (text, page image,
resolution and the place of every word), hOCR and ALTO parsed as XML
(well-formed, boxes inside the page, the text ours), and the TSV table."""

import html
import os
import re
import unittest
import xml.etree.ElementTree as ElementTree

from e2e_support import TaughtLibraryTest, read_bmp, read_pbm, run, without_space

XHTML = "{http://www.w3.org/1999/xhtml}"
ALTO = "{http://www.loc.gov/standards/alto/ns-v4#}"
DPI = 300


def bbox(title):
    match = re.search(r"bbox (-?\d+) (-?\d+) (-?\d+) (-?\d+)", title)
    return tuple(int(v) for v in match.groups())


class OutputFormatsTest(TaughtLibraryTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # The second page stored with ink as bit 0, as some scanners write.
        inverted = cls.pages[1].replace(".bmp", "-inverted.bmp")
        read_bmp(cls.pages[1]).write_inverted(inverted)
        cls.inputs = [cls.pages[0], inverted]
        cls.out = os.path.join(cls.dir, "out")
        done = run([os.environ["PELLAR_BIN_DIR"] + "/pellarocr-cli", "--library", cls.library,
                    "-f", "txt,pdf,hocr,alto,tsv,json", "-o", cls.out] + cls.inputs)
        assert done.returncode == 0, done.stderr

    def outputs(self, extension):
        for image in self.inputs:
            stem = os.path.splitext(os.path.basename(image))[0]
            yield image, os.path.join(self.out, stem + extension)

    def our_lines(self, image):
        stem = os.path.splitext(os.path.basename(image))[0]
        with open(os.path.join(self.out, stem + ".txt"), encoding="utf-8") as f:
            return [line for line in f.read().split("\n") if line.strip()]

    def hocr_words(self, image):
        """Lines of (bbox, [(text, bbox, space before)]) from our hOCR."""
        stem = os.path.splitext(os.path.basename(image))[0]
        root = ElementTree.parse(os.path.join(self.out, stem + ".hocr")).getroot()
        lines = []
        for line in root.iter(XHTML + "span"):
            if line.get("class") != "ocr_line":
                continue
            words, space = [], False
            for word in line:
                words.append((word.text, bbox(word.get("title")), space))
                space = bool(word.tail and word.tail.strip() == "" and word.tail)
            lines.append((bbox(line.get("title")), words))
        return lines

    def test_the_text_poppler_extracts_from_the_pdf_is_ours(self):
        for image, pdf in self.outputs(".pdf"):
            ours = self.our_lines(image)
            # In the order of the file, and in poppler's reading order.
            raw = run(["pdftotext", "-raw", pdf, "-"]).stdout
            self.assertEqual(without_space(raw), without_space("".join(ours)), pdf)
            laid_out = run(["pdftotext", pdf, "-"]).stdout
            self.assertEqual([without_space(line) for line in laid_out.split("\n") if line.strip()],
                             [without_space(line) for line in ours], pdf)
            # Latin letters come out as themselves, not as full-width forms.
            if "Linux" in "".join(ours):
                self.assertIn("Linux", raw)

    def test_the_pdf_shows_our_page_at_its_resolution(self):
        for image, pdf in self.outputs(".pdf"):
            listing = run(["pdfimages", "-list", pdf]).stdout.split("\n")[2:]
            images = [row.split() for row in listing if row.strip()]
            self.assertEqual(len(images), 1, pdf)
            page = read_bmp(image)
            # page num type width height color comp bpc enc interp object ID x-ppi y-ppi
            self.assertEqual(images[0][3:6], [str(page.width), str(page.height), "gray"])
            self.assertEqual(images[0][12:14], [str(DPI), str(DPI)])
            prefix = pdf + "-image"
            self.assertEqual(run(["pdfimages", pdf, prefix]).returncode, 0)
            width, height, rows = read_pbm(prefix + "-000.pbm")
            self.assertEqual((width, height), (page.width, page.height))
            self.assertTrue(rows == page.ink_rows(), "the page image differs from the page: " + pdf)

    def test_every_word_of_the_pdf_lies_on_our_boxes(self):
        for image, pdf in self.outputs(".pdf"):
            lines = self.hocr_words(image)
            bbox_html = run(["pdftotext", "-bbox", pdf, "-"]).stdout
            words = re.findall(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>',
                               bbox_html)
            self.assertGreaterEqual(len(words), len(lines), pdf)
            for x_min, y_min, x_max, y_max, text in words:
                text = html.unescape(text)
                left, top, right, bottom = (float(v) * DPI / 72 for v in (x_min, y_min, x_max, y_max))
                # The line: the word spans the line's rows.
                line = [l for l in lines if abs(l[0][1] - top) <= 1 and abs(l[0][3] - bottom) <= 1]
                self.assertEqual(len(line), 1, (text, top, bottom))
                ours = line[0][1]
                starts = [i for i, w in enumerate(ours) if abs(w[1][0] - left) <= 1]
                self.assertEqual(len(starts), 1, (text, left))
                first = starts[0]
                last, joined = first, ours[first][0]
                while joined != text and last + 1 < len(ours):
                    last += 1
                    joined += ours[last][0]
                self.assertEqual(joined, text)
                # It ends at its last character, or reaches on to the next one
                # where our text has no space between them.
                ends = [ours[last][1][2]]
                if last + 1 < len(ours) and not ours[last + 1][2]:
                    ends.append(ours[last + 1][1][0])
                self.assertTrue(any(abs(end - right) <= 1 for end in ends), (text, right, ends))

    def test_pages_of_several_images_make_one_pdf_on_standard_output(self):
        done = self.cli(["-f", "pdf"] + self.inputs, capture_output=True, text=False)
        self.assertEqual(done.returncode, 0, done.stderr)
        joined = self.path("joined.pdf")
        with open(joined, "wb") as f:
            f.write(done.stdout)
        info = run(["pdfinfo", joined]).stdout
        self.assertRegex(info, r"Pages:\s+2\n")
        text = run(["pdftotext", "-raw", joined, "-"]).stdout
        self.assertEqual(without_space(text),
                         without_space("".join(self.our_lines(self.inputs[0]) + self.our_lines(self.inputs[1]))))

    def test_hocr_is_well_formed_with_our_text_and_boxes_inside_the_page(self):
        for image, path in self.outputs(".hocr"):
            root = ElementTree.parse(path).getroot()
            self.assertEqual(root.tag, XHTML + "html")
            ids = [e.get("id") for e in root.iter() if e.get("id")]
            self.assertEqual(len(ids), len(set(ids)))
            pages = [e for e in root.iter(XHTML + "div") if e.get("class") == "ocr_page"]
            self.assertEqual(len(pages), 1)
            page = read_bmp(image)
            self.assertEqual(bbox(pages[0].get("title")), (0, 0, page.width, page.height))
            self.assertIn('image "%s"' % image, pages[0].get("title"))
            lines = self.hocr_words(image)
            self.assertEqual(len(lines), len(self.our_lines(image)))
            for (line_box, words), ours in zip(lines, self.our_lines(image)):
                self.assertEqual("".join(w[0] for w in words), without_space(ours))
                # A space of the text is a space between the words.
                spaced = "".join((" " if w[2] else "") + w[0] for w in words)
                self.assertEqual(spaced, re.sub(" +", " ", ours.strip()))
                for text, (l, t, r, b), _ in words:
                    self.assertTrue(0 <= l < r <= page.width and 0 <= t < b <= page.height)
                    self.assertTrue(line_box[0] <= l and r <= line_box[2] and line_box[1] <= t and b <= line_box[3])
            for word in root.iter(XHTML + "span"):
                if word.get("class") == "ocrx_word":
                    confidence = int(re.search(r"x_wconf (\d+)", word.get("title")).group(1))
                    self.assertTrue(0 <= confidence <= 100)

    def test_alto_is_well_formed_with_our_text_and_boxes_inside_the_page(self):
        for image, path in self.outputs(".xml"):
            root = ElementTree.parse(path).getroot()
            self.assertEqual(root.tag, ALTO + "alto")
            self.assertEqual(root.find(ALTO + "Description/" + ALTO + "MeasurementUnit").text, "pixel")
            self.assertEqual(root.find(".//" + ALTO + "fileName").text, image)
            ids = [e.get("ID") for e in root.iter() if e.get("ID")]
            self.assertEqual(len(ids), len(set(ids)))
            page_image = read_bmp(image)
            pages = root.findall(ALTO + "Layout/" + ALTO + "Page")
            self.assertEqual(len(pages), 1)
            self.assertEqual((int(pages[0].get("WIDTH")), int(pages[0].get("HEIGHT"))),
                             (page_image.width, page_image.height))
            lines = list(root.iter(ALTO + "TextLine"))
            self.assertEqual([without_space("".join(s.get("CONTENT") for s in l.iter(ALTO + "String")))
                              for l in lines], [without_space(l) for l in self.our_lines(image)])
            for element in list(root.iter(ALTO + "String")) + lines:
                l, t = int(element.get("HPOS")), int(element.get("VPOS"))
                w, h = int(element.get("WIDTH")), int(element.get("HEIGHT"))
                self.assertTrue(0 <= l and 0 <= t and w > 0 and h > 0)
                self.assertTrue(l + w <= page_image.width and t + h <= page_image.height)
            for string in root.iter(ALTO + "String"):
                self.assertTrue(0 <= float(string.get("WC")) <= 1)
            spaces = sum(len(re.findall(r"\S +\S", l.strip())) for l in self.our_lines(image))
            self.assertEqual(len(list(root.iter(ALTO + "SP"))), spaces)

    def test_tsv_rows_hold_our_characters_inside_the_page(self):
        for image, path in self.outputs(".tsv"):
            with open(path, encoding="utf-8") as f:
                rows = [row.rstrip("\n").split("\t") for row in f]
            self.assertEqual(rows[0], ["level", "page_num", "block_num", "par_num", "line_num", "word_num",
                                       "left", "top", "width", "height", "conf", "text"])
            page = read_bmp(image)
            text_by_line = {}
            for row in rows[1:]:
                self.assertEqual(len(row), 12)
                level, left, top, width, height = (int(row[i]) for i in (0, 6, 7, 8, 9))
                self.assertTrue(0 <= left and left + width <= page.width and 0 <= top and top + height <= page.height)
                if level == 5:
                    text_by_line.setdefault(int(row[4]), []).append(row[11])
            self.assertEqual([without_space("".join(chars)) for _, chars in sorted(text_by_line.items())],
                             [without_space(line) for line in self.our_lines(image)])


if __name__ == "__main__":
    unittest.main()
