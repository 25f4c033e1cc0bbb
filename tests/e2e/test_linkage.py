"""The installer and the programs it ships run on a machine that has none of
the -dev packages: only the C library is linked dynamically."""

import re
import subprocess

# The C library, its loader, and the libraries that are part of it.
ALLOWED = re.compile(r"^(libc\.so\.6|ld-linux[-.\w]*\.so\.\d|libm\.so\.6|libpthread\.so\.0|"
                     r"libdl\.so\.2|librt\.so\.1)$")


def needed(path):
    out = subprocess.run(["readelf", "--dynamic", "--wide", str(path)],
                         capture_output=True, text=True, check=True).stdout
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", out)


def shipped_programs(build_dir):
    stage = build_dir / "lyninst" / "zop-installer_payload.payload" / "stage" / "qelinst"
    return [p for p in stage.rglob("*")
            if p.is_file() and p.read_bytes()[:4] == b"\x7fELF"]


def test_only_the_c_library_is_dynamic(build_dir, installer, test_installer):
    programs = [installer, test_installer("exit3")] + shipped_programs(build_dir)
    assert any(p.name == "qelzopd" for p in programs)
    for program in programs:
        libs = needed(program)
        assert "libc.so.6" in libs, program
        unexpected = [lib for lib in libs if not ALLOWED.match(lib)]
        assert unexpected == [], program

