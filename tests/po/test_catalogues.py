"""Every user-visible text has a German translation in the catalogue of its
text domain: present, translated and not fuzzy."""

import pathlib
import textwrap

import pytest

import catalogues

ROOT = pathlib.Path(__file__).resolve().parents[2]
TR_HEADER = ROOT / "qelpal" / "include" / "gettext" / "Tr.h"
DOMAINS = catalogues.keywords_by_domain(TR_HEADER)


def test_markers_cover_the_five_domains():
    assert sorted(DOMAINS) == ["installer", "lyninfo", "qelaux", "qelpal", "tclap"]
    assert sorted(DOMAINS["installer"]) == ["QEL_N", "QEL_TR"]
    assert sorted(DOMAINS["lyninfo"]) == ["QEL_N_INFO", "QEL_TR_INFO"]


@pytest.mark.parametrize("domain", sorted(DOMAINS))
def test_every_text_is_translated(domain):
    texts = catalogues.extract(catalogues.source_files(ROOT), DOMAINS[domain], ROOT)
    po = ROOT / "po" / ("%s.de.po" % domain)
    problems = catalogues.faults(texts, po.read_text(encoding="utf-8"))
    assert problems == [], "%s:\n%s" % (po.relative_to(ROOT), "\n".join(problems))


def test_every_product_text_is_translated():
    texts = catalogues.product_texts(ROOT)
    # The routine, the programs and the daemon all contribute.
    for where in ["product/qelinst/coreinstall", "product/qelinst/bin/zop-status",
                  "product/qelinst/sbin/zop-uninstall", "zopd/qelzopd.c"]:
        assert any(r.startswith(where + ":") for refs in texts.values() for r in refs), where
    po = ROOT / "po" / ("%s.de.po" % catalogues.PRODUCT_DOMAIN)
    problems = catalogues.faults(texts, po.read_text(encoding="utf-8"))
    assert problems == [], "%s:\n%s" % (po.relative_to(ROOT), "\n".join(problems))


def test_product_formats_are_checked_by_msgfmt():
    """The scripts use their translations as printf formats: msgfmt --check
    compares the conversions only of entries marked c-format."""
    po = ROOT / "po" / ("%s.de.po" % catalogues.PRODUCT_DOMAIN)
    unmarked = [e["msgid"] for e in catalogues.parse_po(po.read_text(encoding="utf-8"))
                if "%" in e["msgid"] and "c-format" not in e["flags"]]
    assert unmarked == []


@pytest.mark.parametrize("po", sorted(p.name for p in (ROOT / "po").glob("*.po")))
def test_every_translation_keeps_the_form_of_its_original(po):
    problems = catalogues.form_faults((ROOT / "po" / po).read_text(encoding="utf-8"))
    assert problems == [], "po/%s:\n%s" % (po, "\n".join(problems))


def test_form_checker_reports_edges_line_ends_and_conversions():
    po = textwrap.dedent('''\
        msgid " error occured."
        msgstr "-Fehler aufgetreten."

        msgid "Done: "
        msgstr "Fertig:"

        msgid "one\\ntwo"
        msgstr "eins zwei"

        msgid "%s has %d"
        msgstr "%d hat %s"

        msgid "%1$s has %2$d"
        msgstr "%2$d hat %1$s"

        msgid "%s in %ld%%"
        msgstr "%s in %d%%"

        msgid " kept\\n"
        msgstr " behalten\\n"
        ''')
    problems = catalogues.form_faults(po)
    assert [p.split(":")[0] for p in problems] == ["edges", "edges", "line ends", "conversions",
                                                   "conversions"]
    assert problems[0] == "edges: ' error occured.' -> '-Fehler aufgetreten.'"
    assert "'%s in %ld%%'" in problems[4]


def test_checker_reports_missing_untranslated_and_fuzzy(tmp_path):
    src = tmp_path / "lyninst" / "src"
    src.mkdir(parents=True)
    (src / "A.cpp").write_text(textwrap.dedent('''\
        #include "gettext/Tr.h"
        const char* a = QEL_TR("done");
        const char* b = QEL_TR("not yet");
        const char* c = QEL_N("vague");
        const char* d = QEL_TR("absent %s");
        const char* e = QEL_TR_INFO("other domain");
        const char* f = QEL_TR("two "
                               "pieces");
        '''))
    tests = tmp_path / "lyninst" / "tests"
    tests.mkdir()
    (tests / "ATest.cpp").write_text('const char* t = QEL_TR("only in a test");\n')
    po = textwrap.dedent('''\
        msgid ""
        msgstr "Content-Type: text/plain; charset=UTF-8\\n"

        msgid "done"
        msgstr "fertig"

        msgid "not yet"
        msgstr ""

        #, fuzzy, c-format
        msgid "vague"
        msgstr "ungefähr"

        msgid "two pieces"
        msgstr "zwei "
        "Teile"
        ''')
    texts = catalogues.extract(catalogues.source_files(tmp_path), DOMAINS["installer"], tmp_path)
    assert sorted(texts) == ["absent %s", "done", "not yet", "two pieces", "vague"]
    problems = catalogues.faults(texts, po)
    assert [p.split(":")[0] for p in problems] == ["missing", "untranslated", "fuzzy"]
    assert "'absent %s' (lyninst/src/A.cpp:5)" in problems[0]
