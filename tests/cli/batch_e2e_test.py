"""Batches as a user runs them: two jobs give what one job gives, in the
same order, with failed images reported and summarised; and the GNU
Parallel recipes of the README, run with the local machine as their only
node."""

import os
import re
import shutil
import unittest

from e2e_support import CLI, SOURCE_DIR, TaughtLibraryTest, run


def parallel_recipes():
    """The commands of the README that start GNU Parallel on the nodes, with
    their continuation lines joined."""
    with open(os.path.join(SOURCE_DIR, "README.md"), encoding="utf-8") as f:
        text = f.read().replace("\\\n", " ")
    return [re.sub(r"\s+", " ", line).strip() for line in text.split("\n") if "parallel --sshloginfile nodes" in line]


class BatchTest(TaughtLibraryTest):
    def images(self):
        """Six images in a folder: the two pages three times, one of them
        missing and one not a picture."""
        folder = self.path("scans")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        names = []
        for i in range(6):
            name = os.path.join(folder, "page-%d.bmp" % i)
            if i == 3:
                with open(name, "wb") as f:
                    f.write(b"BM not a picture")
            elif i != 4:
                shutil.copy(self.pages[i % 2], name)
            names.append(name)
        return names

    def test_two_jobs_write_what_one_job_writes_in_the_same_order(self):
        images = self.images()
        runs = {}
        for jobs in ("1", "2"):
            done = self.cli(["-j", jobs, "-f", "json"] + images)
            self.assertEqual(done.returncode, 2, done.stderr)
            runs[jobs] = done
        no_timing = [re.sub(r'"seconds":[0-9.]+', "", r.stdout) for r in runs.values()]
        self.assertEqual(no_timing[0], no_timing[1])
        self.assertEqual([re.search(r'"image":"([^"]*)"', line).group(1) for line in runs["2"].stdout.splitlines()],
                         [images[i] for i in (0, 1, 2, 5)])
        for done in runs.values():
            messages = done.stderr.splitlines()
            self.assertEqual(messages[:-1], [m for m in runs["1"].stderr.splitlines()[:-1]])
            self.assertRegex(messages[-1], r"^pellarocr-cli: 6 pages in [0-9.]+ s \([0-9.]+ pages/s\); "
                             r"status 0: 4 pages; status 2: 2 pages \(%s, %s\)$" % (images[3], images[4]))

    def run_recipe(self, recipe):
        command = recipe.replace("--sshloginfile nodes", "--sshlogin :")
        command = command.replace("pellarocr-cli", "%s --library %s" % (CLI, self.library))
        command = command.replace("'*.png'", "'*.bmp'")
        return run(["bash", "-c", command], cwd=self.dir)

    def test_the_parallel_recipes_of_the_readme_work(self):
        recipes = parallel_recipes()
        self.assertEqual(len(recipes), 2, recipes)
        images = self.images()
        good = [images[i] for i in (0, 1, 2, 5)]  # found by find: all but the missing one
        expected = {}
        for image in good:
            expected[image] = self.cli([image]).stdout
        shutil.rmtree(self.path("out"), ignore_errors=True)
        for recipe in recipes:
            log = self.path("ocr.log")
            if os.path.exists(log):
                os.remove(log)
            done = self.run_recipe(recipe)
            # The broken image fails its call with status 2; parallel's own
            # status counts the failed calls.
            self.assertEqual(done.returncode, 1, done.stderr)
            for image in good:
                stem = os.path.splitext(os.path.basename(image))[0]
                text = os.path.join(self.path("out") if "-o out" in recipe else os.path.dirname(image), stem + ".txt")
                with open(text, encoding="utf-8") as f:
                    self.assertEqual(f.read(), expected[image], recipe)
                if "txt,pdf" in recipe:
                    self.assertTrue(os.path.exists(text[:-4] + ".pdf"))
            with open(log) as f:
                statuses = [row.split("\t")[6] for row in f.read().splitlines()[1:]]
            self.assertIn("2", statuses)
            self.assertTrue(set(statuses) <= {"0", "2"}, statuses)
            # A call over several images ends with the summary of their statuses.
            if "-N 100" in recipe:
                self.assertRegex(done.stderr, r"status 0: 4 pages; status 2: 1 page \(scans/page-3.bmp\)")
            self.assertIn("scans/page-3.bmp: cannot decode the BMP data: not a BMP file", done.stderr)


if __name__ == "__main__":
    unittest.main()
