"""The installer and the programs it ships run on a machine that has none of
the -dev packages: only the C library is linked dynamically. They are 32-bit
x86 programs (unless the build was configured with QEL_HOST_BUILD)."""

import pathlib
import re
import subprocess
import sys

import pytest

# The C library, its loader, and the libraries that are part of it.
ALLOWED = re.compile(r"^(libc\.so\.6|ld-linux[-.\w]*\.so\.\d|libm\.so\.6|libpthread\.so\.0|"
                     r"libdl\.so\.2|librt\.so\.1)$")

ELFCLASS32, ELFDATA2LSB, EM_386 = 1, 1, 3


def readelf(option, path):
    return subprocess.run(["readelf", option, "--wide", str(path)],
                          capture_output=True, text=True, check=True).stdout


def needed(path):
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", readelf("--dynamic", path))


def interpreter(path):
    found = re.search(r"Requesting program interpreter: ([^\]]+)\]",
                      readelf("--program-headers", path))
    return found and found.group(1)


def elf_kind(path):
    """(class, data encoding, machine) of an ELF file."""
    header = path.read_bytes()[:20]
    assert header[:4] == b"\x7fELF", path
    return header[4], header[5], int.from_bytes(header[18:20], "little")


def host_build(build_dir):
    cache = (build_dir / "CMakeCache.txt").read_text()
    return re.search(r"^QEL_HOST_BUILD:BOOL=(ON|TRUE|1|YES)$", cache, re.M | re.I) is not None


def shipped_programs(build_dir):
    stage = build_dir / "lyninst" / "zop-installer_payload.payload" / "stage" / "qelinst"
    return [p for p in stage.rglob("*")
            if p.is_file() and p.read_bytes()[:4] == b"\x7fELF"]


@pytest.fixture
def programs(build_dir, installer, test_installer):
    found = [installer, test_installer("exit3")] + shipped_programs(build_dir)
    assert {"qelzopd", "qel-productcfg"} <= {p.name for p in found}
    return found


def test_only_the_c_library_is_dynamic(programs):
    for program in programs:
        libs = needed(program)
        assert "libc.so.6" in libs, program
        unexpected = [lib for lib in libs if not ALLOWED.match(lib)]
        assert unexpected == [], program


def test_programs_are_32_bit_x86(build_dir, programs):
    if host_build(build_dir):
        # A host build makes programs of the interpreter's own kind.
        expected = elf_kind(pathlib.Path(sys.executable).resolve())
        loader = None
    else:
        expected = (ELFCLASS32, ELFDATA2LSB, EM_386)
        loader = "/lib/ld-linux.so.2"
    for program in programs:
        assert elf_kind(program) == expected, program
        if loader:
            assert interpreter(program) == loader, program
