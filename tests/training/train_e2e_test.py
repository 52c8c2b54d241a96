"""pellarocr-train learn leaves the Word.Dat it learned with beside the new
library, so that the library can be used at once."""

import filecmp
import os
import unittest

from e2e_support import BIN_DIR, TRAIN, TaughtLibraryTest, run


class TrainLearnTest(TaughtLibraryTest):
    def test_the_new_library_gets_the_word_pairs_it_was_taught_with(self):
        # Without word pairs: a Word.Dat without any pair (the fixture's).
        self.assertEqual(os.path.getsize(os.path.join(self.library, "Word.Dat")), 262144)
        # Named: that file.
        word_pairs = os.path.join(BIN_DIR, "Word.Dat")
        named = self.path("named")
        done = run([TRAIN, "learn", "--out", named, "--word-pairs", word_pairs, self.pages[0]])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(filecmp.cmp(os.path.join(named, "Word.Dat"), word_pairs, shallow=False))
        # From a base library: the base's, and the new library reads at once.
        grown = self.path("grown")
        done = run([TRAIN, "learn", "--out", grown, "--base", named, self.pages[1]])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(filecmp.cmp(os.path.join(grown, "Word.Dat"), word_pairs, shallow=False))
        read = run([os.path.join(BIN_DIR, "pellarocr-cli"), "--library", grown, self.pages[1]])
        self.assertEqual(read.returncode, 0, read.stderr)
        self.assertGreater(len(read.stdout.strip()), 30)


if __name__ == "__main__":
    unittest.main()
