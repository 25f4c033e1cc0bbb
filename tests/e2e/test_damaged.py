"""A damaged installer file (a download cut short) is reported in one
sentence with status 2, in every mode, before anything else happens.

The contained archive lies in a section of its own behind everything the
dynamic loader reads, so a file cut at or behind the end of the loaded data
starts and then finds itself short. A cut inside the loaded data cannot be
helped: the loader or the first code that touches the missing pages ends the
process."""

import struct
import subprocess

import pytest

from steps import clean_env

MESSAGE = "The installer file %s is incomplete or damaged and should be downloaded again.\n"


def elf_layout(image):
    """(end of the loaded data, [(name, offset, size)] of the sections with
    contents, offset of the section header table)."""
    wide = image[4] == 2
    if wide:
        phoff, shoff = struct.unpack_from("<QQ", image, 32)
        phentsize, phnum, shentsize, shnum, shstrndx = struct.unpack_from("<HHHHH", image, 54)
    else:
        phoff, shoff = struct.unpack_from("<II", image, 28)
        phentsize, phnum, shentsize, shnum, shstrndx = struct.unpack_from("<HHHHH", image, 42)
    loaded = 0
    for i in range(phnum):
        at = phoff + i * phentsize
        if wide:
            kind, _, offset, _, _, filesz = struct.unpack_from("<IIQQQQ", image, at)
        else:
            kind, offset, _, _, filesz = struct.unpack_from("<IIIII", image, at)
        if kind == 1:  # PT_LOAD
            loaded = max(loaded, offset + filesz)
    headers = []
    for i in range(shnum):
        at = shoff + i * shentsize
        if wide:
            name, kind, _, _, offset, size = struct.unpack_from("<IIQQQQ", image, at)
        else:
            name, kind, _, _, offset, size = struct.unpack_from("<IIIIII", image, at)
        headers.append((name, kind, offset, size))
    names_at = headers[shstrndx][2]
    sections = [(image[names_at + name:image.index(b"\0", names_at + name)].decode(), offset, size)
                for name, kind, offset, size in headers if kind != 8]  # not SHT_NOBITS
    return loaded, sections, shoff


@pytest.fixture(scope="module")
def layout(installer):
    return elf_layout(installer.read_bytes())


def cut_point(where, layout):
    loaded, sections, shoff = layout
    archive = [(offset, size) for name, offset, size in sections if name == ".qel_archive"]
    assert len(archive) == 1
    offset, size = archive[0]
    assert offset >= loaded
    last = max(sections, key=lambda s: s[1] + s[2])
    return {
        "just behind the loaded data": loaded,
        "at the archive": offset,
        "inside the archive": offset + size // 2,
        "the archive's last byte": offset + size - 1,
        "inside the last section": last[1] + last[2] // 2,
        "inside the section header table": shoff + 10,
        "one byte short": None,
    }[where]


POINTS = ["just behind the loaded data", "at the archive", "inside the archive",
          "the archive's last byte", "inside the last section",
          "inside the section header table", "one byte short"]


def run_cut(sandbox, installer, tmp_path, cut, argv, env):
    image = installer.read_bytes()
    damaged = tmp_path / "zop-installer"
    damaged.write_bytes(image[:len(image) - 1 if cut is None else cut])
    exe = sandbox.provide(damaged)
    return exe, sandbox.run(clean_env(**env) + [exe] + argv, check=False)


def assert_reported(sandbox, exe, result):
    assert (result.returncode, result.stdout, result.stderr) == (2, "", MESSAGE % exe)
    # Nothing was started: no catalogues, no unpacked data.
    assert sandbox.glob("/tmp/*") == [] and not sandbox.exists("/opt/t")


@pytest.mark.parametrize("where", POINTS)
def test_file_cut_behind_the_loaded_data_is_reported(sandbox, installer, layout, tmp_path,
                                                      where):
    exe, result = run_cut(sandbox, installer, tmp_path, cut_point(where, layout), ["--verify"],
                          {"LANG": "C"})
    assert_reported(sandbox, exe, result)


@pytest.mark.parametrize("argv", [["--help"], ["--version"], ["--info"],
                                  ["--unpack", "/opt/t/u"], ["--batch"], []],
                         ids=["help", "version", "info", "unpack", "batch", "install"])
def test_every_mode_checks_the_file_first(sandbox, installer, layout, tmp_path, argv):
    exe, result = run_cut(sandbox, installer, tmp_path, cut_point("inside the archive", layout),
                          argv, {"LANG": "C"})
    assert_reported(sandbox, exe, result)


def test_message_is_translated_by_given_catalogues(sandbox, installer, layout, tmp_path,
                                                   i18n_dir):
    exe, result = run_cut(sandbox, installer, tmp_path, cut_point("inside the archive", layout),
                          ["--verify"], {"LANG": "de_DE.UTF-8", "QEL_I18N_DIR": str(i18n_dir)})
    assert (result.returncode, result.stdout) == (2, "")
    assert result.stderr == ("Die Installationsdatei %s ist unvollständig oder beschädigt und "
                             "sollte erneut heruntergeladen werden.\n" % exe)


def test_attached_configuration_keeps_the_archive_readable(sandbox, installer, tmp_path):
    exe = tmp_path / "zop-installer"
    exe.write_bytes(installer.read_bytes())
    data = tmp_path / "config"
    data.write_text("attached\n")
    subprocess.run(["objcopy", "--add-section", "qel=%s" % data, str(exe)], check=True)
    inside = sandbox.provide(exe)
    result = sandbox.run(clean_env(LANG="C") + [inside, "--verify"], check=False)
    assert result.returncode == 0, result.stderr
    assert result.stdout.endswith("Verfying contained installation data... succeeded\n")
    result = sandbox.run(clean_env(LANG="C") + [inside, "--info"], check=False)
    assert "Size of attached configuration: 9 bytes (0.00 MB)\n" in result.stdout
