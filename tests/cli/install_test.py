"""Installation as a user makes it: `cmake --install` into a prefix of its
own, the installed program finding its library there (also after the
prefix has moved), a copied program naming the folders it tried, the
library named by $PELLAROCR_LIBRARY; and the Debian package, unpacked and
run."""

import os
import shutil
import subprocess
import unittest

from e2e_support import BUILD_DIR, SOURCE_DIR, TaughtLibraryTest, run

SAMPLE = os.path.join(SOURCE_DIR, "samples", "sample-page.bmp")


def clean_environment(**extra):
    environment = {k: v for k, v in os.environ.items() if k != "PELLAROCR_LIBRARY"}
    environment.update(extra)
    return environment


class InstallTest(TaughtLibraryTest):
    def installed_library_has_tables(self, share):
        return os.path.exists(os.path.join(share, "ZEZID.D00"))

    def check_installed_program(self, program, share):
        """The program reads the sample page with the installed library, and
        the taught page with the library $PELLAROCR_LIBRARY names."""
        done = run([program, SAMPLE], env=clean_environment(), cwd=self.dir)
        self.assertEqual(done.returncode, 0, done.stderr)
        if self.installed_library_has_tables(share):
            self.assertGreater(len(done.stdout.strip()), 100)
        taught = run([program, self.pages[0]], env=clean_environment(PELLAROCR_LIBRARY=self.library))
        self.assertEqual(taught.returncode, 0, taught.stderr)
        self.assertEqual(taught.stdout, self.cli([self.pages[0]]).stdout)

    def test_an_installation_finds_its_library_wherever_it_is(self):
        prefix = self.path("prefix")
        installed = run(["cmake", "--install", BUILD_DIR, "--prefix", prefix])
        self.assertEqual(installed.returncode, 0, installed.stderr)
        share = os.path.join(prefix, "share", "pellarocr")
        self.assertTrue(os.path.isfile(os.path.join(share, "Word.Dat")))
        for program in ("pellarocr-cli", "pellarocr-train"):
            self.assertTrue(os.access(os.path.join(prefix, "bin", program), os.X_OK))
        self.check_installed_program(os.path.join(prefix, "bin", "pellarocr-cli"), share)

        moved = self.path("moved")
        os.rename(prefix, moved)
        self.check_installed_program(os.path.join(moved, "bin", "pellarocr-cli"),
                                     os.path.join(moved, "share", "pellarocr"))

        # A program copied away from its installation says where it looked.
        lone = self.path("lone")
        os.makedirs(lone)
        shutil.copy(os.path.join(moved, "bin", "pellarocr-cli"), lone)
        done = run([os.path.join(lone, "pellarocr-cli"), SAMPLE], env=clean_environment())
        if done.returncode == 0:
            self.skipTest("a library is installed on this machine")
        self.assertEqual(done.returncode, 1)
        self.assertIn("打开Word.Dat文件错误!", done.stderr)
        self.assertIn("no library (Word.Dat) found in %s, %s, " % (lone, os.path.join(self.dir, "share", "pellarocr")),
                      done.stderr)
        self.assertIn("PELLAROCR_LIBRARY", done.stderr)

    def test_the_debian_package_holds_programs_and_library_and_runs_unpacked(self):
        packages = self.path("packages")
        made = run(["cpack", "-G", "DEB", "-B", packages, "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake")],
                   cwd=BUILD_DIR)
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        debs = [name for name in os.listdir(packages) if name.endswith(".deb")]
        self.assertEqual(len(debs), 1, os.listdir(packages))
        deb = os.path.join(packages, debs[0])
        fields = run(["dpkg-deb", "--field", deb, "Package", "Depends"]).stdout
        self.assertIn("Package: pellarocr", fields)
        for library in ("libhpdf", "libtiff", "libgraphicsmagick"):
            self.assertIn(library, fields)
        root = self.path("unpacked")
        self.assertEqual(run(["dpkg-deb", "-x", deb, root]).returncode, 0)
        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True).stdout
        prefix = [line.split()[-1] for line in listing.splitlines() if line.endswith("/bin/pellarocr-cli")]
        self.assertEqual(len(prefix), 1, listing)
        program = os.path.normpath(os.path.join(root, prefix[0]))
        share = os.path.join(os.path.dirname(os.path.dirname(program)), "share", "pellarocr")
        self.assertTrue(os.path.isfile(os.path.join(share, "Word.Dat")), listing)
        self.check_installed_program(program, share)


if __name__ == "__main__":
    unittest.main()
