#!/usr/bin/env python3
"""The Windows zip as a Windows user gets it: cpack -G ZIP in the Windows build makes it, its
listing is exactly what it must hold, and from the unzipped folder alone its makeqfb.exe packs the
example set to the bytes the Linux build writes, and libqfb's C example, qfb2pam, built against
the zip's header with its import library (the DLL beside it) and with its static library, writes
every level of every frame as the Linux build of the example does. qfb2pam is a plain C program
that prints in text mode: its "\\r" before each "\\n" is stripped before the comparison.

Usage: zip_test.py WINDOWS_BUILD SOURCE_DIR WORK_DIR CPACK LINUX_MAKEQFB LINUX_LIBQFB_A CC
Exits 77 (skipped) when Wine, the cross compiler or the Windows build is missing."""
import os
import shutil
import subprocess
import sys
import zipfile

SKIP = 77
CROSS_CC = "x86_64-w64-mingw32-gcc-posix"
FLAGS = ["-std=c99", "-Wall", "-Wextra", "-Wpedantic", "-Werror"]
CONTENTS = sorted([
    "LICENSE", "README.txt", "bin/makeqfb.exe", "bin/qfbinfo.exe", "bin/qfbprep.exe", "bin/libqfb.dll",
    "include/qfb/qfb.h", "include/qfb/qfb_gl.h", "include/qfb/qfb_sdl.h", "lib/libqfb.a", "lib/libqfb.dll.a", "lib/pkgconfig/qfb.pc",
    "lib/cmake/makeqfb/makeqfbConfig.cmake", "lib/cmake/makeqfb/makeqfbConfigVersion.cmake",
    "lib/cmake/makeqfb/makeqfbFrameSet.cmake", "lib/cmake/makeqfb/makeqfbTargets.cmake",
    "lib/cmake/makeqfb/makeqfbTargets-release.cmake", "lib/cmake/makeqfb/qfbTargets.cmake",
    "lib/cmake/makeqfb/qfbTargets-release.cmake"])


def run(command, cwd):
    done = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
    return done.returncode, done.stdout


def main():
    build, source, work, cpack, makeqfb, libqfb, cc = (os.path.abspath(a) if i < 3 else a for i, a in enumerate(sys.argv[1:8]))
    wine = shutil.which("wine")
    if wine is None or shutil.which(CROSS_CC) is None or not os.path.isdir(build):
        print("skipped: Wine, the cross compiler or the Windows build is missing")
        return SKIP
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    problems = []
    status, out = run([cpack, "-G", "ZIP"], build)
    zips = [n for n in os.listdir(build) if n.startswith("makeqfb-") and n.endswith("-windows-x86_64.zip")]
    if status != 0 or len(zips) != 1:
        print(f"cpack -G ZIP failed ({status}), made {zips}:\n{out.decode()}")
        return 1
    with zipfile.ZipFile(os.path.join(build, zips[0])) as archive:
        top = zips[0][:-len(".zip")] + "/"
        files = sorted(n[len(top):] for n in archive.namelist() if not n.endswith("/"))
        if any(not n.startswith(top) for n in archive.namelist()) or files != CONTENTS:
            problems.append(f"the zip holds {archive.namelist()}, not one folder {top} with {CONTENTS}")
        archive.extractall(work)
    unzipped = os.path.join(work, top)
    # The example set, packed by the zip's makeqfb.exe and by the Linux build.
    for side in ("linux", "windows"):
        os.makedirs(os.path.join(work, side))
        for name in os.listdir(os.path.join(source, "examples")):
            if name.startswith("walk") and name.endswith(".tga"):
                shutil.copy(os.path.join(source, "examples", name), os.path.join(work, side))
    l_packed = run([makeqfb, "4444", "12", "walk.tga"], os.path.join(work, "linux"))
    w_packed = run([wine, os.path.join(unzipped, "bin", "makeqfb.exe"), "4444", "12", "walk.tga"], os.path.join(work, "windows"))
    qfb = os.path.join(work, "linux", "walk.qfb")
    if l_packed != w_packed or open(qfb, "rb").read() != open(os.path.join(work, "windows", "walk.qfb"), "rb").read():
        problems.append(f"makeqfb.exe from the zip: {w_packed}, the Linux build: {l_packed}")
    # qfb2pam: Linux against libqfb.a; Windows against the zip's DLL (copied beside it) and static library.
    example = os.path.join(source, "examples", "qfb2pam", "qfb2pam.c")
    programs = {"linux": [os.path.join(work, "qfb2pam")], "dll": [wine, os.path.join(work, "dll", "qfb2pam.exe")],
                "static": [wine, os.path.join(work, "static", "qfb2pam.exe")]}
    builds = [[cc] + FLAGS + ["-I", os.path.join(source, "qfb", "include"), "-o", programs["linux"][0], example, libqfb],
              [CROSS_CC] + FLAGS + ["-I", os.path.join(unzipped, "include"), "-o", programs["dll"][1], example,
                                    "-L", os.path.join(unzipped, "lib"), "-lqfb"],
              [CROSS_CC] + FLAGS + ["-I", os.path.join(unzipped, "include"), "-o", programs["static"][1], example,
                                    os.path.join(unzipped, "lib", "libqfb.a")]]
    os.makedirs(os.path.join(work, "dll"))
    os.makedirs(os.path.join(work, "static"))
    shutil.copy(os.path.join(unzipped, "bin", "libqfb.dll"), os.path.join(work, "dll"))
    for command in builds:
        status, out = run(command, work)
        if status != 0:
            problems.append(f"{' '.join(command)}: {out.decode()}")
    if not problems:
        outputs = {}
        for side, program in programs.items():
            outputs[side] = []
            for frame in range(3):
                for level in range(3):
                    status, out = run(program + [qfb, str(frame), str(level), f"{side}-{frame}-{level}.pam"], work)
                    pam = open(os.path.join(work, f"{side}-{frame}-{level}.pam"), "rb").read() if status == 0 else None
                    outputs[side].append((status, out.replace(b"\r\n", b"\n").replace(f"{side}-".encode(), b""), pam))
            status, out = run(program + ["missing.qfb", "0", "0", "x.pam"], work)
            outputs[side].append((status, out.replace(b"\r\n", b"\n"), None))
        for side in ("dll", "static"):
            if outputs[side] != outputs["linux"]:
                problems.append(f"qfb2pam.exe ({side}) differs from Linux: {outputs[side][:2]} / {outputs['linux'][:2]}")
    for problem in problems:
        print(f"FAILED {problem}")
    if not problems:
        print("The zip holds what it must; its makeqfb.exe and qfb2pam.exe (DLL and static) match the Linux build.")
        shutil.rmtree(work)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
