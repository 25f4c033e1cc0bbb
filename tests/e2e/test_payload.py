"""The packaging step: what the build links into the installers."""

import hashlib
import io
import stat
import subprocess
import tarfile

import pytest

DOMAINS = ["installer", "lyninfo", "qelaux", "qelpal", "tclap", "zop"]
RELEASE_MTIME = 1735689600  # 2025-01-01 00:00:00 UTC


def payload_dir(build_dir, target_dir, name):
    return build_dir / target_dir / ("%s_payload.payload" % name)


@pytest.fixture(scope="module")
def demo_archive(build_dir):
    path = payload_dir(build_dir, "lyninst", "zop-installer") / "archive.tar.gz"
    return path.read_bytes()


def members(archive):
    with tarfile.open(fileobj=io.BytesIO(archive), mode="r:gz") as tar:
        return tar.getmembers()


def test_demo_archive_layout(demo_archive):
    entries = {m.name: m for m in members(demo_archive)}
    assert {name.split("/")[0] for name in entries} == {"qelinst"}
    for path in ["qelinst/coreinstall", "qelinst/sbin/qelzopd",
                 "qelinst/sbin/zop-uninstall", "qelinst/sbin/qel-productcfg",
                 "qelinst/sbin/qel-gettext", "qelinst/bin/zop-status"]:
        assert entries[path].isfile() and entries[path].mode & stat.S_IXUSR, path
    for path in ["qelinst/sbin/zop-sentinel", "qelinst/etc/zop.conf", "qelinst/doc/README",
                 "qelinst/lib/zop-messages.sh"]:
        assert entries[path].isfile(), path
    for domain in DOMAINS:
        assert entries["qelinst/i18n/de_DE/LC_MESSAGES/%s.mo" % domain].size > 0


def test_archive_is_reproducible_in_form(demo_archive):
    found = members(demo_archive)
    names = [m.name for m in found]
    # "qelinst" alone, then the catalogues, then the rest: each part sorted.
    i18n = [n for n in names if n == "qelinst/i18n" or n.startswith("qelinst/i18n/")]
    rest = [n for n in names[1:] if n not in i18n]
    assert names == ["qelinst"] + sorted(i18n) + sorted(rest)
    assert len(i18n) > len(DOMAINS) and rest
    for m in found:
        assert (m.uid, m.gid, m.uname, m.gname) == (0, 0, "", ""), m.name
        assert m.mtime == RELEASE_MTIME, m.name
        assert not m.mode & (stat.S_IWGRP | stat.S_IWOTH), m.name
    # gzip without file name and time stamp
    assert demo_archive[:2] == b"\x1f\x8b"
    assert demo_archive[3] & 0x08 == 0
    assert demo_archive[4:8] == b"\0\0\0\0"


def test_installer_links_the_archive_and_its_digest(build_dir, installer):
    work = payload_dir(build_dir, "lyninst", "zop-installer")
    archive = (work / "archive.tar.gz").read_bytes()
    digest = hashlib.sha256(archive).digest()
    assert (work / "archive.tar.gz.sha256").read_text().strip() == digest.hex()
    image = installer.read_bytes()
    assert archive in image
    assert digest in image


def test_shipped_programs_are_stripped(build_dir):
    stage = payload_dir(build_dir, "lyninst", "zop-installer") / "stage"
    out = subprocess.run(["readelf", "-S", "-n", str(stage / "qelinst/sbin/qelzopd")],
                         capture_output=True, text=True, check=True).stdout
    assert ".debug_info" not in out
    assert ".symtab" not in out
    assert "Build ID" not in out


def test_catalogues_are_compiled_for_qel_i18n_dir(i18n_dir):
    for domain in DOMAINS:
        mo = i18n_dir / "de_DE" / "LC_MESSAGES" / ("%s.mo" % domain)
        # msgunfmt reads it back: a valid compiled catalogue.
        subprocess.run(["msgunfmt", str(mo)], check=True, capture_output=True)


def test_test_installer_with_two_top_level_entries(build_dir):
    work = payload_dir(build_dir, "tests/installers", "zop-installer-two-entries")
    tops = {m.name.split("/")[0] for m in members((work / "archive.tar.gz").read_bytes())}
    assert tops == {"extra", "qelinst"}


def test_test_installer_without_catalogues(build_dir):
    work = payload_dir(build_dir, "tests/installers", "zop-installer-no-catalogues")
    names = [m.name for m in members((work / "archive.tar.gz").read_bytes())]
    assert "qelinst/coreinstall" in names
    assert not [n for n in names if n.startswith("qelinst/i18n")]


def test_archive_over_the_limit_is_refused_at_build_time(build_dir, source_dir, tmp_path):
    # The demo's packaging once more, into tmp_path, with a limit below its size.
    config = (payload_dir(build_dir, "lyninst", "zop-installer") / "pack.cmake").read_text()
    for name in ["WORK", "ARCHIVE", "ASM", "FACTS"]:
        config += "set(%s [[%s]])\n" % (name, tmp_path / name.lower())
    config += "set(LIMIT 1000)\n"
    (tmp_path / "pack.cmake").write_text(config)
    result = subprocess.run(["cmake", "-DCONFIG=%s" % (tmp_path / "pack.cmake"), "-P",
                             str(source_dir / "cmake" / "QelPack.cmake")],
                            capture_output=True, text=True)
    assert result.returncode != 0
    message = " ".join(result.stderr.split())
    assert "The contained archive of %s is " % (source_dir / "product") in message
    assert "bytes compressed; an installer holds at most 1000 bytes. Ship less in the " \
        "product tree." in message
    assert not (tmp_path / "archive").exists() and not (tmp_path / "asm").exists()
