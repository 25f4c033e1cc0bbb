"""The environment as the installer sees it: the support check on systems
outside the supported range, with and without --batch, and the list shown by
--supported. Release files are written into the sandbox's private /etc."""

import pytest

BANNER = ("                       ----------------------------------\n"
          "                       > QEL Zonal Outpost Probe Server <\n"
          "                       ----------------------------------\n\n")

SUPPORTED = (
    "This software is designed in a way that it can support many different Linux \n"
    "systems without relying on distribution specific functions. However we can only \n"
    "provide full support and quality assurance for a limited subset of the more \n"
    "common and recent Linux distributions.\n"
    "\n"
    "The following Linux distributions are fully supported:\n"
    "\n"
    "- Debian versions 5, 6 and 7 (lenny, squeeze and wheezy)\n"
    "- CentOS version 6.x\n"
    "- Ubuntu versions 10, 11, 12 and 13\n"
    "- SuSE Enterprise Server version 11\n"
    "- OpenSuSE version 12 and 13\n"
    "\n"
    "The following Linux distributions usually work but are not officially \n"
    "supported:\n"
    "\n"
    "- RedHat version 6.x\n"
    "- Recent versions of Gentoo as of Jun 27 2014\n"
    "- Recent versions of Arch Linux as of Jun 27 2014\n")

TOO_NEW_UBUNTU = (
    "You're using a version of Ubuntu that is too new for this version of QEL Zonal \n"
    "Outpost Probe Server. The newest supported version is 12.4 but you are using \n"
    "14.4. Please consider getting an updated software package from us.\n")

UNKNOWN = ("Warning: Unable to determine or recognize the running Linux distribution\n"
           "Installation may fail or some features may be unavailable\n")

NO_SUPPORT = ("\nThis QEL software might not run correctly on this operating system. We can't \n"
              "offer support in such cases.\n")

QUESTION = "\nDo you want to continue the installation anyway?\n\n\t(yes/y/no/n): "

FEDORA = 'NAME=Fedora\nVERSION="20 (Heisenbug)"\nID=fedora\nVERSION_ID=20\n'


@pytest.fixture
def box(sandbox, installer):
    return sandbox, sandbox.provide(installer)


def ubuntu_14_04(sandbox):
    sandbox.write_file("/etc/lsb-release",
                       "DISTRIB_ID=Ubuntu\nDISTRIB_RELEASE=14.04\nDISTRIB_CODENAME=trusty\n"
                       'DISTRIB_DESCRIPTION="Ubuntu 14.04.1 LTS"\n')


def unknown_system(sandbox):
    # Only an os-release of another distribution: no release file of ours.
    sandbox.run(["rm", "-f", "/etc/debian_version", "/etc/lsb-release"])
    sandbox.write_file("/etc/os-release", FEDORA)


def test_supported_lists_the_distributions(box):
    sandbox, program = box
    result = sandbox.run([program, "--supported"], env={"QEL_NO_COLOR": "1"})
    assert result.stdout == BANNER + SUPPORTED
    assert result.stderr == ""


@pytest.mark.parametrize("system, warning", [(ubuntu_14_04, TOO_NEW_UBUNTU),
                                             (unknown_system, UNKNOWN)],
                         ids=["too-new-ubuntu", "unknown-distribution"])
def test_unsupported_system_in_batch_mode_goes_on_without_a_question(box, system, warning):
    sandbox, program = box
    system(sandbox)
    result = sandbox.run([program, "--batch", "--unpack", "/tmp/unpacked"],
                         env={"QEL_NO_COLOR": "1"}, input="no\n", check=False)
    assert result.stdout.startswith(
        BANNER + "Performing an unattended batch installation\n" + warning + NO_SUPPORT)
    assert "Do you want" not in result.stdout
    assert result.returncode == 0, result.stdout + result.stderr


def test_unsupported_system_asks_and_no_ends_with_status_0(box):
    sandbox, program = box
    ubuntu_14_04(sandbox)
    child = sandbox.spawn([program], env={"QEL_NO_COLOR": "1"})
    child.expect_exact(TOO_NEW_UBUNTU.replace("\n", "\r\n") + NO_SUPPORT.replace("\n", "\r\n")
                       + QUESTION.replace("\n", "\r\n"))
    child.sendline("no")
    child.expect_exact("no\r\n\r\n")
    rest = child.read()
    child.close()
    assert (child.exitstatus, rest) == (0, "")


def test_warning_colour_goes_to_standard_error(box):
    sandbox, program = box
    ubuntu_14_04(sandbox)
    result = sandbox.run([program, "--batch", "--unpack", "/tmp/unpacked"],
                         env={"QEL_FORCE_COLOR": "1"}, check=False)
    # Text on standard output, the yellow and its reset on standard error.
    assert TOO_NEW_UBUNTU in result.stdout
    assert "\x1b[2m\x1b[33m\x1b[0m" in result.stderr


def test_warning_in_german(box, i18n_dir):
    sandbox, program = box
    unknown_system(sandbox)
    result = sandbox.run([program, "--batch", "--unpack", "/tmp/unpacked"],
                         env={"QEL_NO_COLOR": "1", "QEL_I18N_DIR": str(i18n_dir),
                              "LANG": "de_DE.UTF-8"},
                         check=False)
    assert ("Warnung: Die laufende Linux-Distribution kann nicht ermittelt oder erkannt werden\n"
            "Die Installation kann fehlschlagen, oder manche Funktionen können fehlen\n"
            in result.stdout), result.stdout
