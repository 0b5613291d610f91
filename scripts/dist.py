"""make dist: the package of the current commit for administrators.

The commit is built twice from scratch, from copies in two folders of their
own (cmake/build-elsewhere.cmake), and both builds must give the same bytes.
dist/ImpApiQALO-<version>/ then holds the DLL, its symbols file, the host
header, nolt-host.exe, LIESMICH.txt and SHA256SUMS, and
dist/ImpApiQALO-<version>.zip that folder, every entry dated with the
commit's time, so the zip is the same bytes each time too."""

import hashlib
import os
import re
import shutil
import subprocess
import time
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
WORK = REPO / "build" / "dist"
DIST = REPO / "dist"
BINARIES = ("ImpApiQALO.dll", "ImpApiQALO.dll.debug", "nolt-host.exe")


def git(*args):
    return subprocess.run(["git"] + list(args), cwd=REPO, check=True, capture_output=True).stdout


def build(source, work, reference=None):
    """Builds the shipped files from a copy of source in work; with
    reference, fails unless they equal those in that folder."""
    command = ["cmake", "-DSOURCE=%s" % source, "-DWORK=%s" % work]
    if reference:
        command.append("-DREFERENCE=%s" % reference)
    subprocess.run(command + ["-P", str(REPO / "cmake" / "build-elsewhere.cmake")], check=True)
    return work / "build" / "bin"


def readme(source, version):
    """LIESMICH.txt as Windows' Notepad reads it: UTF-8 with a BOM, CR LF."""
    text = (source / "docs" / "LIESMICH.txt").read_text(encoding="utf-8").replace("@VERSION@", version)
    return b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8")


def write_zip(folder, target, epoch):
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip cannot date before 1980
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
        directory = zipfile.ZipInfo(folder.name + "/", stamp)
        directory.external_attr = (0o40755 << 16) | 0x10
        archive.writestr(directory, b"")
        for path in sorted(folder.iterdir()):
            entry = zipfile.ZipInfo("%s/%s" % (folder.name, path.name), stamp)
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, path.read_bytes())


def main():
    commit = git("rev-parse", "HEAD").decode().strip()
    if git("status", "--porcelain", "--untracked-files=no"):
        print("dist: uncommitted changes are left out; the package is built from %s" % commit[:12])
    epoch = int(git("log", "-1", "--format=%ct", commit))
    os.environ["SOURCE_DATE_EPOCH"] = str(epoch)  # for any tool of the build that reads it

    shutil.rmtree(WORK, ignore_errors=True)
    source = WORK / "commit"
    source.mkdir(parents=True)
    subprocess.run(["tar", "-x", "-C", str(source)], input=git("archive", "--format=tar", commit), check=True)
    first = build(source, WORK / "first")
    build(source, WORK / "second" / "elsewhere", reference=first)
    print("dist: two builds in different folders gave the same bytes")

    header = (WORK / "first" / "build" / "src" / "generated" / "plugin" / "PluginVersion.h").read_text()
    version = re.search(r'#define QALO_VERSION_TEXT "([^"]+)"', header).group(1)
    package = DIST / ("ImpApiQALO-%s" % version)
    shutil.rmtree(package, ignore_errors=True)
    package.mkdir(parents=True)
    for name in BINARIES:
        shutil.copyfile(first / name, package / name)
    shutil.copyfile(source / "include" / "ImpApiQALO.h", package / "ImpApiQALO.h")
    (package / "LIESMICH.txt").write_bytes(readme(source, version))
    sums = "".join("%s  %s\n" % (hashlib.sha256(path.read_bytes()).hexdigest(), path.name)
                   for path in sorted(package.iterdir()))
    (package / "SHA256SUMS").write_text(sums)

    target = DIST / (package.name + ".zip")
    write_zip(package, target, epoch)
    print(sums, end="")
    print("dist: %s/ and %s" % (package.relative_to(REPO), target.relative_to(REPO)))


if __name__ == "__main__":
    main()
