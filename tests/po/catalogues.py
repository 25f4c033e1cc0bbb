"""Extraction of the user-visible texts and reading of the catalogues.

The keywords and their text domains are read from qelpal/include/gettext/Tr.h,
the one place that defines them, so extraction and code cannot drift apart.
"""

import ast
import pathlib
import re
import subprocess

SOURCE_DIRS = ["qelpal", "qelaux", "lyninst"]
SOURCE_SUFFIXES = {".cpp", ".h"}

# The demo product's own domain: its shell scripts (product/, through the
# functions of its lib/zop-messages.sh) and its daemon's C sources (zopd/).
PRODUCT_DOMAIN = "zop"
PRODUCT_TREE = "product"
PRODUCT_C_DIRS = ["zopd"]
SHELL_KEYWORDS = ["_", "say", "warn", "fail", "ask_yes_no", "step"]
C_KEYWORDS = ["_"]


def keywords_by_domain(tr_header):
    """{domain: [keyword, ...]} from the marker definitions."""
    text = pathlib.Path(tr_header).read_text()
    domains = {}
    translating = {}
    for name, body in re.findall(r"#define\s+(QEL_\w+)\(s\)\s+(.*)", text):
        body = body.split("//")[0].strip()
        explicit = re.match(r'::qel::translate\("(\w+)",\s*s\)$', body)
        if explicit:
            translating[name] = explicit.group(1)
        elif body == "::qel::translate(nullptr, s)":
            translating[name] = "installer"
    for name, domain in translating.items():
        domains.setdefault(domain, []).append(name)
    # QEL_N_<X> marks for the domain of QEL_TR_<X>; plain QEL_N for QEL_TR's.
    for name, body in re.findall(r"#define\s+(QEL_N\w*)\(s\)\s+(.*)", text):
        if body.split("//")[0].strip() != "s":
            continue
        partner = "QEL_TR" + name[len("QEL_N"):]
        if partner not in translating:
            raise ValueError("%s has no translating partner %s" % (name, partner))
        domains[translating[partner]].append(name)
    return domains


def source_files(root):
    """The sources of the libraries and the installer, without their tests."""
    found = []
    for top in SOURCE_DIRS:
        for path in sorted((pathlib.Path(root) / top).rglob("*")):
            if path.suffix in SOURCE_SUFFIXES and "tests" not in path.relative_to(root).parts:
                found.append(path)
    return found


def shell_scripts(root):
    """The product's shell scripts: *.sh files and files starting "#!/bin/sh"."""
    found = []
    for path in sorted((pathlib.Path(root) / PRODUCT_TREE).rglob("*")):
        if not path.is_file():
            continue
        with open(path, "rb") as f:
            first = f.readline()
        if path.suffix == ".sh" or first.startswith(b"#!/bin/sh"):
            found.append(path)
    return found


def product_texts(root):
    """The texts of the product's domain, from its scripts and its daemon."""
    c_files = [p for d in PRODUCT_C_DIRS for p in sorted((pathlib.Path(root) / d).rglob("*.c"))]
    texts = extract(shell_scripts(root), SHELL_KEYWORDS, root, "Shell")
    for msgid, refs in extract(c_files, C_KEYWORDS, root, "C").items():
        texts.setdefault(msgid, []).extend(refs)
    return texts


def extract(files, keywords, root, language="C++"):
    """The texts marked with the keywords: {msgid: [source references]}."""
    if not files:
        return {}
    command = ["xgettext", "--language=" + language, "--from-code=UTF-8", "--keyword",
               "--omit-header", "--output=-"]
    command += ["--keyword=%s" % k for k in keywords]
    command += [str(pathlib.Path(f).relative_to(root)) for f in files]
    pot = subprocess.run(command, cwd=root, capture_output=True, text=True, check=True).stdout
    return {e["msgid"]: e["refs"] for e in parse_po(pot)}


def _unquote(line):
    return ast.literal_eval(line)


def parse_po(text):
    """Entries of a .po text: dicts with msgid, msgstr, fuzzy, flags and refs.

    The header (empty msgid) and obsolete entries are left out."""
    entries = []
    for block in re.split(r"\n\s*\n", text):
        entry = {"msgid": None, "msgstr": "", "fuzzy": False, "flags": [], "refs": []}
        field = None
        parts = {"msgid": [], "msgstr": []}
        for line in block.splitlines():
            line = line.strip()
            if line.startswith("#,"):
                entry["flags"] = line[2:].replace(",", " ").split()
                entry["fuzzy"] = "fuzzy" in entry["flags"]
            elif line.startswith("#:"):
                entry["refs"] += line[2:].split()
            elif line.startswith("#"):
                continue
            elif line.startswith("msgid "):
                field = "msgid"
                parts[field].append(_unquote(line[6:]))
            elif line.startswith("msgstr "):
                field = "msgstr"
                parts[field].append(_unquote(line[7:]))
            elif line.startswith('"') and field:
                parts[field].append(_unquote(line))
        if not parts["msgid"]:
            continue
        entry["msgid"] = "".join(parts["msgid"])
        entry["msgstr"] = "".join(parts["msgstr"])
        if entry["msgid"]:
            entries.append(entry)
    return entries


def faults(texts, catalogue_text):
    """What is wrong with a catalogue for the extracted texts: a list of lines."""
    catalogue = {e["msgid"]: e for e in parse_po(catalogue_text)}
    found = []
    for msgid, refs in sorted(texts.items()):
        where = " ".join(refs)
        entry = catalogue.get(msgid)
        if entry is None:
            found.append("missing: %r (%s)" % (msgid, where))
        elif not entry["msgstr"]:
            found.append("untranslated: %r (%s)" % (msgid, where))
        elif entry["fuzzy"]:
            found.append("fuzzy: %r (%s)" % (msgid, where))
    return found


# A printf conversion: position, flags, width, precision, length, type.
_CONVERSION = re.compile(r"%(?:(\d+)\$)?[-+ #0']*(?:\d+|\*)?(?:\.(?:\d+|\*)?)?"
                         r"(hh|h|ll|l|L|q|j|z|t)?([diouxXeEfFgGaAcspn%])")


def conversions(text):
    """The printf conversions of text as (position, length and type); %% is
    none. Positional ones are in the order of their positions."""
    found = [(m.group(1) or "", (m.group(2) or "") + m.group(3))
             for m in _CONVERSION.finditer(text) if m.group(3) != "%"]
    return sorted(found) if any(position for position, _ in found) else found


def _edges(text):
    """The blanks and line ends that begin and end text."""
    body = text.strip()
    if not body:
        return text, ""
    start = text.index(body)
    return text[:start], text[start + len(body):]


def form_faults(catalogue_text):
    """Translations whose form differs from their original: the blanks and
    line ends at either end, the number of line ends, the printf conversions."""
    found = []
    for entry in parse_po(catalogue_text):
        msgid, msgstr = entry["msgid"], entry["msgstr"]
        if not msgstr:
            continue
        if _edges(msgid) != _edges(msgstr):
            found.append("edges: %r -> %r" % (msgid, msgstr))
        if msgid.count("\n") != msgstr.count("\n"):
            found.append("line ends: %r -> %r" % (msgid, msgstr))
        if conversions(msgid) != conversions(msgstr):
            found.append("conversions: %r -> %r" % (msgid, msgstr))
    return found
