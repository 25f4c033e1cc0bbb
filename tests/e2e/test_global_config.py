"""The installer reads its product's entry from /etc/qel.info when it starts."""

import pytest

BROKEN = 'zop = { root = "/opt/qel/zop";\n  group = "qel"\n  oops };\n'


@pytest.fixture
def box(sandbox):
    return sandbox


def run_installer(box, installer, *args, env=None):
    return box.run([str(installer)] + list(args), check=False, env=env)


def test_syntax_error_names_the_file_and_line(box, installer):
    box.write_file("/etc/qel.info", BROKEN)
    result = run_installer(box, installer, "--info", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 2, result.stdout + result.stderr
    assert result.stderr.startswith("Error occured:\n\n#1)\n"), result.stderr
    assert ("\tConfig Error error occured. The global product configuration file "
            "'/etc/qel.info' contains errors:\n\t/etc/qel.info:3 - syntax error\n"
            in result.stderr), result.stderr
    assert "(openConfig)" in result.stderr
    assert box.read_file("/etc/qel.info") == BROKEN, "nothing is written over it"


def test_syntax_error_in_german(box, installer):
    # The catalogues come from the payload, as in a user's run.
    box.write_file("/etc/qel.info", BROKEN)
    result = run_installer(box, installer, "--info",
                           env={"LANG": "de_DE.UTF-8", "LC_ALL": "de_DE.UTF-8"})
    assert result.returncode == 2, result.stdout + result.stderr
    assert ("\tKonfigurations Fehler aufgetreten. Die globale Produktkonfigurationsdatei '/etc/qel.info' enthält Fehler:\n"
            "\t/etc/qel.info:3 - syntax error" in result.stderr), result.stderr


def test_valid_entry_is_read(box, installer):
    box.write_file("/etc/qel.info", 'dax = { root = "/opt/qel/dax"; };\n'
                                    'zop = { root = "/opt/qel/zop"; group = "qel"; };\n')
    result = run_installer(box, installer, "--version", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stderr == ""


def test_entry_without_root_is_reported(box, installer):
    box.write_file("/etc/qel.info", 'zop = { group = "qel"; };\n')
    result = run_installer(box, installer, "--version", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stderr == ("Strange product section in global configuration file. "
                             "Missing root setting.\n")
